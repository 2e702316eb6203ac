#include "gui/widgets/PrintHistoryWindow.h"

#include "data/store/Database.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ScreenFit.h"
#include "report/FontSetup.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString variantCaption(const QString& variant)
{
    if (variant == QLatin1String("single"))
        return QStringLiteral("单张");
    if (variant == QLatin1String("batch"))
        return QStringLiteral("批量");
    if (variant == QLatin1String("excel-single"))
        return QStringLiteral("Excel单张");
    if (variant == QLatin1String("excel-batch"))
        return QStringLiteral("Excel批量");
    return variant;
}

QTableWidget* table(const QStringList& titles, QWidget* parent)
{
    auto* t = new QTableWidget(0, titles.size(), parent);
    t->setHorizontalHeaderLabels(titles);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    t->setWordWrap(false);
    return t;
}

// Waybill numbers in a face whose zero is not an O ("STO0098"): Hack's
// zero holds an oval, DejaVu Sans Mono's a dot.
QFont numberFont(const QFont& base)
{
    QFont f;
    f.setFamilies({QStringLiteral("Hack"), QStringLiteral("DejaVu Sans Mono")});
    f.setStyleHint(QFont::TypeWriter);
    f.setPixelSize(std::max(13, base.pixelSize()));
    return f;
}

void setRow(QTableWidget* t, int row, const QStringList& cells, const QColor& color = {},
            const QList<int>& numberColumns = {})
{
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells.at(c));
        if (color.isValid())
            item->setForeground(color);
        if (numberColumns.contains(c))
            item->setFont(numberFont(t->font()));
        t->setItem(row, c, item);
    }
}

// Whether an entry shows under the search text: a waybill number, a name
// or a mobile number it printed, or its day ("2024-05-06", "20240506",
// "05-06").
bool matches(const PrintHistory::Entry& e, const QString& text)
{
    if (text.isEmpty())
        return true;
    const auto has = [&text](const QString& s) { return s.contains(text, Qt::CaseInsensitive); };
    if (has(e.when.toString(QStringLiteral("yyyy-MM-dd hh:mm"))) ||
        has(e.when.toString(QStringLiteral("yyyyMMdd"))))
        return true;
    for (const QString& n : e.numbers)
        if (has(n))
            return true;
    for (const PrintHistory::Waybill& w : e.waybills)
        if (has(w.name) || has(w.mobile) || has(w.number))
            return true;
    return false;
}

// How a printed waybill's row stands now, against what was printed.
QString nowText(const PrintHistory::RowState& s, const PrintHistory::Waybill& printed, bool complete)
{
    if (!s.exists)
        return QStringLiteral("记录已删除");
    QString now =
        s.printed.isEmpty() ? QStringLiteral("打印标记已清除") : QStringLiteral("已打印 %1").arg(s.printed);
    if (!complete && s.printed.isEmpty())
        now = QStringLiteral("未打印");
    if (!s.number.isEmpty() && s.number != printed.number)
        now += QStringLiteral("，单号 %1").arg(s.number);
    if (s.name != printed.name)
        now += QStringLiteral("，姓名现为“%1”").arg(s.name);
    return now;
}

} // namespace

PrintHistoryWindow::PrintHistoryWindow(const QString& databasePath, QWidget* parent)
    : QDialog(parent), m_path(databasePath)
{
    setObjectName(QStringLiteral("PrintHistoryWindow"));
    setWindowTitle(QStringLiteral("打印记录"));
    setFont(FontSetup::songFont(12));
    // On a low screen (1024 x 600) the tables give up rows, the buttons stay.
    resize(ScreenFit::clientSize(QSize(1000, 600), ScreenFit::availableFor(parent)));
    auto* box = new QVBoxLayout(this);
    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(QStringLiteral("查找："), this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("HistorySearch"));
    m_search->setClearButtonEnabled(true);
    m_search->setPlaceholderText(QStringLiteral("快递单号、姓名、手机或日期（如 2024-05-06）"));
    searchLabel->setBuddy(m_search);
    m_found = new QLabel(this);
    m_found->setObjectName(QStringLiteral("HistoryFound"));
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_found);
    box->addLayout(searchRow);
    m_entryTable = table({QStringLiteral("时间"), QStringLiteral("模板"), QStringLiteral("方式"),
                          QStringLiteral("输出到"), QStringLiteral("页数"), QStringLiteral("收件人"),
                          QStringLiteral("快递单号"), QStringLiteral("状态")},
                         this);
    m_entryTable->setObjectName(QStringLiteral("EntryTable"));
    for (const auto& [column, width] :
         {std::pair{0, 140}, {1, 150}, {2, 75}, {3, 150}, {4, 45}, {5, 130}, {6, 160}})
        m_entryTable->setColumnWidth(column, width);
    box->addWidget(m_entryTable, 3);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true); // a long note never widens the window past the screen
    box->addWidget(m_summary);
    m_waybillTable = table({QStringLiteral("张次"), QStringLiteral("序号"), QStringLiteral("姓名"),
                            QStringLiteral("打印时单号"), QStringLiteral("现在"), QStringLiteral("手机"),
                            QStringLiteral("城市"), QStringLiteral("地址")},
                           this);
    m_waybillTable->setObjectName(QStringLiteral("WaybillTable"));
    for (const auto& [column, width] :
         {std::pair{0, 50}, {1, 60}, {2, 120}, {3, 150}, {4, 190}, {5, 110}, {6, 90}})
        m_waybillTable->setColumnWidth(column, width);
    box->addWidget(m_waybillTable, 2);

    auto* buttons = new QHBoxLayout;
    m_reprintEntry = new QPushButton(QStringLiteral("重印本次"), this);
    m_reprintWaybill = new QPushButton(QStringLiteral("重印此单"), this);
    auto* refresh = new QPushButton(QStringLiteral("刷新"), this);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    for (QPushButton* b : {m_reprintEntry, m_reprintWaybill, refresh, close}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->insertStretch(2);
    box->addLayout(buttons);

    connect(m_search, &QLineEdit::textChanged, this, &PrintHistoryWindow::applySearch);
    connect(m_entryTable, &QTableWidget::currentCellChanged, this, [this](int row) { showEntry(row); });
    connect(m_waybillTable, &QTableWidget::currentCellChanged, this,
            [this](int row) { m_reprintWaybill->setEnabled(row >= 0); });
    connect(m_reprintEntry, &QPushButton::clicked, this, &PrintHistoryWindow::reprintEntry);
    connect(m_reprintWaybill, &QPushButton::clicked, this, &PrintHistoryWindow::reprintWaybill);
    connect(refresh, &QPushButton::clicked, this, &PrintHistoryWindow::reload);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    showEntry(-1);
}

bool PrintHistoryWindow::reload()
{
    m_entries.clear();
    Database db;
    QString error;
    bool ok = db.open(m_path, &error, false) && PrintHistory::entries(db, &m_entries, &error);
    std::reverse(m_entries.begin(), m_entries.end());
    m_entryTable->setRowCount(m_entries.size());
    for (int i = 0; i < m_entries.size(); ++i) {
        const PrintHistory::Entry& e = m_entries.at(i);
        const layouts::Template* t = layouts::findTemplate(e.templateCode);
        QString who;
        if (!e.waybills.isEmpty()) {
            who = e.waybills.first().name; // as printed, whatever became of the row
        } else {
            QHash<qint64, PrintHistory::RowState> states;
            if (ok && !e.serials.isEmpty() &&
                PrintHistory::rowStates(db, e.recipientTable(), e.serials.mid(0, 1), &states, &error))
                who = states.value(e.serials.first()).exists ? states.value(e.serials.first()).name
                                                             : QStringLiteral("（已删除）");
        }
        if (e.serials.size() > 1)
            who += QStringLiteral(" 等 %1 人").arg(e.serials.size());
        QString numbers;
        if (!e.numbers.isEmpty())
            numbers = e.numbers.size() == 1 ? e.numbers.first()
                                            : e.numbers.first() + QStringLiteral(" – ") + e.numbers.last();
        setRow(m_entryTable, i,
               {e.when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                t ? QString::fromUtf8(t->menuCaption) : e.templateCode, variantCaption(e.variant),
                (e.toPdf ? QStringLiteral("PDF：") : QStringLiteral("打印机：")) +
                    QDir::toNativeSeparators(e.target),
                QString::number(e.pages), who, numbers,
                !e.complete ? QStringLiteral("未完成，输出可能不完整")
                : e.reprint ? QStringLiteral("重印")
                            : QStringLiteral("完成")},
               e.complete ? QColor() : QColor(Qt::darkRed), {6});
    }
    applySearch();
    if (!ok)
        Dialogs::error(this, error);
    if (m_entries.isEmpty())
        showEntry(-1);
    return ok;
}

void PrintHistoryWindow::applySearch()
{
    const QString text = m_search->text().trimmed();
    int shown = 0, first = -1;
    for (int i = 0; i < m_entries.size(); ++i) {
        const bool in = matches(m_entries.at(i), text);
        m_entryTable->setRowHidden(i, !in);
        if (in && first < 0)
            first = i;
        shown += in;
    }
    m_found->setText(text.isEmpty()
                         ? QStringLiteral("共 %1 次").arg(m_entries.size())
                         : QStringLiteral("找到 %1 次，共 %2 次").arg(shown).arg(m_entries.size()));
    if (first >= 0)
        selectEntry(first);
    else
        showEntry(-1);
}

int PrintHistoryWindow::shownCount() const
{
    int shown = 0;
    for (int i = 0; i < m_entries.size(); ++i)
        shown += !m_entryTable->isRowHidden(i);
    return shown;
}

const PrintHistory::Entry* PrintHistoryWindow::current() const
{
    const int row = m_entryTable->currentRow();
    return row >= 0 && row < m_entries.size() ? &m_entries.at(row) : nullptr;
}

void PrintHistoryWindow::selectEntry(int index)
{
    m_entryTable->setCurrentCell(index, 0);
    showEntry(index);
}

void PrintHistoryWindow::selectWaybill(int index)
{
    m_waybillTable->setCurrentCell(index, 0);
}

void PrintHistoryWindow::showEntry(int index)
{
    m_waybillTable->setRowCount(0);
    m_states.clear();
    const PrintHistory::Entry* e = index >= 0 && index < m_entries.size() ? &m_entries.at(index) : nullptr;
    m_reprintEntry->setEnabled(e);
    m_reprintWaybill->setEnabled(false);
    if (!e) {
        m_summary->setText(m_entries.isEmpty()           ? QStringLiteral("还没有打印记录。")
                           : !m_search->text().isEmpty() ? QStringLiteral("没有找到。")
                                                         : QString());
        return;
    }
    Database db;
    QString error;
    if (!db.open(m_path, &error, false) ||
        !PrintHistory::rowStates(db, e->recipientTable(), e->serials, &m_states, &error)) {
        m_summary->setText(error);
        return;
    }
    int deleted = 0;
    m_waybillTable->setRowCount(e->serials.size());
    for (int i = 0; i < e->serials.size(); ++i) {
        const qint64 serial = e->serials.at(i);
        const PrintHistory::RowState s = m_states.value(serial);
        // What went out: kept with the entry, or (older entries) the row now.
        PrintHistory::Waybill printed = e->waybills.value(i);
        if (e->waybills.isEmpty())
            printed = {serial, s.name, {}, {}, {}, e->numbers.value(i)};
        if (!s.exists)
            ++deleted;
        setRow(m_waybillTable, i,
               {QString::number(i + 1), QString::number(serial), printed.name, printed.number,
                nowText(s, printed, e->complete), printed.mobile, printed.city, printed.address},
               s.exists ? QColor() : QColor(Qt::gray), {3, 5});
    }
    QString summary = QStringLiteral("%1 条收件记录%2")
                          .arg(e->serials.size())
                          .arg(deleted ? QStringLiteral("，其中 %1 条已删除").arg(deleted) : QString());
    if (!e->complete)
        summary += QStringLiteral("。这次打印没有记下完成（程序被中断，或仍在进行）：输出可能不完整，"
                                  "请核对已打印的运单；这些记录没有因它得到打印标记。");
    m_summary->setText(summary);
}

void PrintHistoryWindow::reprintEntry()
{
    if (const PrintHistory::Entry* e = current())
        reprint(e->serials);
}

void PrintHistoryWindow::reprintWaybill()
{
    const PrintHistory::Entry* e = current();
    const int row = m_waybillTable->currentRow();
    if (e && row >= 0 && row < e->serials.size())
        reprint({e->serials.at(row)});
}

void PrintHistoryWindow::reprint(const QList<qint64>& serials)
{
    const PrintHistory::Entry* e = current();
    if (!e)
        return;
    QList<qint64> alive;
    for (qint64 s : serials)
        if (m_states.value(s).exists)
            alive << s;
    if (alive.isEmpty()) {
        Dialogs::message(this, QStringLiteral("这些收件记录已被删除，无法重印。"));
        return;
    }
    if (alive.size() < serials.size())
        Dialogs::message(this, QStringLiteral("有 %1 条收件记录已被删除，只重印其余 %2 条。")
                                   .arg(serials.size() - alive.size())
                                   .arg(alive.size()));
    layouts::Variant variant = layouts::Variant::Batch;
    layouts::parseVariant(e->variant, &variant);
    const QString code = e->templateCode;
    const qint64 sender = e->senderRow;
    emit reprintRequested(code, variant, PrintSelection::of(alive), sender);
    reload();
}
