#include "exchange/XlsReader.h"

#include "exchange/BiffReader.h"
#include "exchange/WorkbookReader.h"

#include <QFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <memory>

namespace {

template <typename T>
using GsfPtr = std::unique_ptr<T, void (*)(gpointer)>;

template <typename T>
GsfPtr<T> own(T* p)
{
    return GsfPtr<T>(p, g_object_unref);
}

void initGsf()
{
    static const bool initialised = [] {
        gsf_init();
        return true;
    }();
    Q_UNUSED(initialised);
}

// While a workbook is read, libgsf's warnings and failed assertions about a
// damaged container stay off the terminal: the reading ends with a reason
// of its own. Outside the reading they are left alone.
class QuietGsf
{
public:
    QuietGsf()
    {
        const auto levels = GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE);
        // libgsf logs some of it without a domain of its own.
        for (int i = 0; i < kDomains; ++i)
            m_ids[i] = g_log_set_handler(
                domain(i), levels, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    }
    ~QuietGsf()
    {
        for (int i = 0; i < kDomains; ++i)
            g_log_remove_handler(domain(i), m_ids[i]);
    }
    QuietGsf(const QuietGsf&) = delete;
    QuietGsf& operator=(const QuietGsf&) = delete;

private:
    static constexpr int kDomains = 3;
    static const gchar* domain(int i)
    {
        const gchar* const domains[kDomains] = {"libgsf", "libgsf:msole", nullptr};
        return domains[i];
    }
    guint m_ids[kDomains] = {};
};

QString notXls()
{
    return QStringLiteral("文件不是Excel 97-2003工作簿，或已损坏。");
}

QString encrypted()
{
    return QStringLiteral("工作簿有密码保护（已加密），无法读取。请先在Excel中取消密码，另存后再导入。");
}

// The child of a compound file named so (names compare without case).
GsfPtr<GsfInput> child(GsfInfile* ole, const char* want)
{
    const int n = gsf_infile_num_children(ole);
    for (int i = 0; i < n; ++i) {
        const char* name = gsf_infile_name_by_index(ole, i);
        if (name && QString::fromUtf8(name).compare(QLatin1String(want), Qt::CaseInsensitive) == 0)
            return own(gsf_infile_child_by_index(ole, i));
    }
    return own<GsfInput>(nullptr);
}

bool readInput(GsfInput* input, WorkbookReader* out, QString* error, const ProgressFn& progress,
               bool* cancelled)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    GError* err = nullptr;
    auto ole = own(gsf_infile_msole_new(input, &err));
    if (err)
        g_error_free(err);
    if (!ole) {
        // Excel 2.x to 4.0 kept their records in no container.
        QByteArray head(8, '\0');
        if (gsf_input_seek(input, 0, G_SEEK_SET) == FALSE && gsf_input_size(input) >= head.size() &&
            gsf_input_read(input, size_t(head.size()), reinterpret_cast<guint8*>(head.data())) &&
            BiffReader::oldFormat(head))
            return fail(BiffReader::oldFormatMessage());
        return fail(notXls());
    }

    GsfPtr<GsfInput> workbook = child(ole.get(), "Workbook");
    if (!workbook)
        workbook = child(ole.get(), "Book");
    if (!workbook) {
        // A password-protected .xlsx is kept in a compound file too.
        if (child(ole.get(), "EncryptedPackage"))
            return fail(encrypted());
        return fail(notXls());
    }

    // A stream never holds more than its container; the budget bounds both.
    const gsf_off_t size = gsf_input_size(workbook.get());
    if (size < 0 || size > gsf_input_size(input))
        return fail(QStringLiteral("工作簿已损坏：工作簿数据的长度不对。"));
    if (!out->budget().charge(qint64(size)))
        return fail(WorkbookReader::Budget::message());
    QByteArray stream(qsizetype(size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < stream.size()) {
        const qsizetype chunk = qMin<qsizetype>(stream.size() - done, 1 << 20);
        if (!gsf_input_read(workbook.get(), size_t(chunk), reinterpret_cast<guint8*>(stream.data() + done)))
            return fail(QStringLiteral("工作簿已损坏：工作簿数据无法完整读出。"));
        done += chunk;
    }

    BiffReader biff;
    if (!biff.open(stream, &out->budget(), error))
        return false;

    // "Sheet1", else the first worksheet; then the worksheets after it
    // while the one before is full.
    QVector<int> worksheets;
    int chosen = -1;
    for (int i = 0; i < biff.sheets().size(); ++i) {
        if (!biff.sheets().at(i).worksheet)
            continue;
        if (chosen < 0 && biff.sheets().at(i).name.compare(QLatin1String("Sheet1"), Qt::CaseInsensitive) == 0)
            chosen = int(worksheets.size());
        worksheets << i;
    }
    if (worksheets.isEmpty())
        return fail(QStringLiteral("工作簿中没有工作表。"));
    if (chosen < 0)
        chosen = 0;
    for (int w = chosen; w < worksheets.size(); ++w) {
        WorkbookReader::Sheet sheet;
        if (!biff.readSheet(worksheets.at(w), &sheet, error, progress, cancelled))
            return false;
        const bool full = sheet.full;
        out->addSheet(std::move(sheet));
        if (!full)
            break;
    }
    if (progress)
        progress(100);
    return true;
}

} // namespace

bool XlsReader::read(const QString& path, WorkbookReader* out, QString* error, const ProgressFn& progress,
                     bool* cancelled)
{
    initGsf();
    const QuietGsf quiet;
    GError* err = nullptr;
    const QByteArray native = QFile::encodeName(path);
    auto input = own(gsf_input_stdio_new(native.constData(), &err));
    if (err)
        g_error_free(err);
    if (!input) {
        if (error)
            *error = QStringLiteral("文件不存在或无法读取。");
        return false;
    }
    return readInput(input.get(), out, error, progress, cancelled);
}

bool XlsReader::readData(const QByteArray& data, WorkbookReader* out, QString* error)
{
    initGsf();
    const QuietGsf quiet;
    auto input = own(gsf_input_memory_new(reinterpret_cast<const guint8*>(data.constData()),
                                          gsf_off_t(data.size()), FALSE));
    if (!input) {
        if (error)
            *error = notXls();
        return false;
    }
    return readInput(input.get(), out, error, {}, nullptr);
}
