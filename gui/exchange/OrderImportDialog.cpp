#include "gui/exchange/OrderImportDialog.h"

#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/ExcelImporter.h"
#include "exchange/OrderFile.h"
#include "gui/exchange/OrderReviewTable.h"
#include "gui/widgets/BackgroundWork.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ScreenFit.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kSampleRows = 3;  // file rows under the lists
constexpr int kPreviewRows = 5; // rows shown mapped

} // namespace

OrderImportDialog::OrderImportDialog(const QString& storeLocation, const AddressParser& parser,
                                     QWidget* parent)
    : QDialog(parent), m_location(storeLocation), m_parser(parser), m_file(std::make_unique<OrderFile>())
{
    setObjectName(QStringLiteral("OrderImportDialog"));
    setWindowTitle(QStringLiteral("导入订单"));
    resize(ScreenFit::clientSize(QSize(980, 620), ScreenFit::availableFor(parent)));
    auto* layout = new QVBoxLayout(this);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages);
    auto* mappingPage = new QWidget(m_pages);
    auto* reviewPage = new QWidget(m_pages);
    buildMappingPage(mappingPage);
    buildReviewPage(reviewPage);
    m_pages->addWidget(mappingPage);
    m_pages->addWidget(reviewPage);
}

OrderImportDialog::~OrderImportDialog() = default;

void OrderImportDialog::buildMappingPage(QWidget* page)
{
    auto* column = new QVBoxLayout(page);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("订单文件："), page));
    m_path = new QLineEdit(page);
    m_path->setReadOnly(true);
    m_path->setPlaceholderText(
        QStringLiteral("淘宝/天猫、拼多多、抖店、京东、微信小店导出的订单表（CSV、xlsx、xls）"));
    fileRow->addWidget(m_path, 1);
    auto* choose = new QPushButton(QStringLiteral("选择文件…"), page);
    choose->setObjectName(QStringLiteral("ChooseOrderFile"));
    connect(choose, &QPushButton::clicked, this, &OrderImportDialog::chooseFile);
    fileRow->addWidget(choose);
    column->addLayout(fileRow);
    m_fileNote = new QLabel(page);
    column->addWidget(m_fileNote);

    column->addWidget(new QLabel(QStringLiteral("文件的各列导入到（可以逐列修改）："), page));
    m_columns = new QTableWidget(page);
    m_columns->setObjectName(QStringLiteral("OrderColumns"));
    m_columns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_columns->verticalHeader()->hide();
    column->addWidget(m_columns, 1);

    column->addWidget(new QLabel(QStringLiteral("前几行导入后的样子（黄色：需要核对）："), page));
    m_preview = new QTableWidget(page);
    m_preview->setObjectName(QStringLiteral("OrderPreview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setColumnCount(int(Schema::importColumns().size()));
    m_preview->setHorizontalHeaderLabels(Schema::importColumns());
    m_preview->verticalHeader()->hide();
    column->addWidget(m_preview, 1);

    // One choice a line, so that the dialog fits a narrow screen.
    auto* options = new QGridLayout;
    options->addWidget(new QLabel(QStringLiteral("导入到："), page), 0, 0);
    m_destination = new QComboBox(page);
    m_destination->setObjectName(QStringLiteral("OrderDestination"));
    m_destination->addItem(QStringLiteral("收件人（追加，不删除已有记录）"));
    m_destination->addItem(QStringLiteral("Excel列表（替换整个列表）"));
    options->addWidget(m_destination, 0, 1);
    options->addWidget(new QLabel(QStringLiteral("与已有收件人相同（姓名、手机、地址都相同）的行："), page),
                       1, 0);
    m_duplicates = new QComboBox(page);
    m_duplicates->setObjectName(QStringLiteral("OrderDuplicates"));
    m_duplicates->addItem(QStringLiteral("跳过"));
    m_duplicates->addItem(QStringLiteral("合并（补上空的列，加上品名和备注）"));
    options->addWidget(m_duplicates, 1, 1);
    options->setColumnStretch(2, 1);
    column->addLayout(options);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_next = new QPushButton(QStringLiteral("下一步：核对"), page);
    m_next->setObjectName(QStringLiteral("OrderNext"));
    m_next->setEnabled(false);
    connect(m_next, &QPushButton::clicked, this, &OrderImportDialog::showReview);
    buttons->addWidget(m_next);
    auto* cancel = new QPushButton(QStringLiteral("取消"), page);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
}

void OrderImportDialog::buildReviewPage(QWidget* page)
{
    auto* column = new QVBoxLayout(page);
    m_reviewNote = new QLabel(page);
    m_reviewNote->setObjectName(QStringLiteral("OrderReviewNote"));
    m_reviewNote->setWordWrap(true);
    column->addWidget(m_reviewNote);
    m_review = new OrderReviewTable(page);
    connect(m_review, &OrderReviewTable::rowChecked, this, &OrderImportDialog::updateReviewNote);
    column->addWidget(m_review, 1);
    auto* buttons = new QHBoxLayout;
    auto* back = new QPushButton(QStringLiteral("上一步"), page);
    connect(back, &QPushButton::clicked, this, [this] { m_pages->setCurrentIndex(0); });
    buttons->addWidget(back);
    buttons->addStretch(1);
    m_import = new QPushButton(QStringLiteral("导入"), page);
    m_import->setObjectName(QStringLiteral("OrderImport"));
    connect(m_import, &QPushButton::clicked, this, &OrderImportDialog::importRows);
    buttons->addWidget(m_import);
    auto* cancel = new QPushButton(QStringLiteral("取消"), page);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
}

OrderImporter::Destination OrderImportDialog::destination() const
{
    return m_destination->currentIndex() == 1 ? OrderImporter::Destination::ExcelList
                                              : OrderImporter::Destination::Recipients;
}

void OrderImportDialog::chooseFile()
{
    const QString path =
        Dialogs::openFileName(this, QStringLiteral("选择订单文件"), QString(),
                              QStringLiteral("订单表 (*.csv *.txt *.xlsx *.xls);;所有文件 (*)"));
    if (!path.isEmpty())
        openFile(path);
}

bool OrderImportDialog::openFile(const QString& path)
{
    auto file = std::make_unique<OrderFile>();
    QString why;
    bool ok = false;
    bool cancelled = false;
    BackgroundWork work(this);
    work.addProgressDialog(QStringLiteral("导入订单"),
                           QStringLiteral("正在读取 %1 …").arg(QFileInfo(path).fileName()), 400);
    work.run([&](const ProgressFn& progress) { ok = file->read(path, &why, progress, &cancelled); });
    if (!ok) {
        if (!cancelled)
            Dialogs::error(this, QStringLiteral("无法读取订单文件：%1").arg(why));
        return false;
    }
    m_file = std::move(file);
    m_path->setText(QDir::toNativeSeparators(path));
    m_mapping = OrderMapping::forHeaders(m_file->headers());
    m_fileNote->setText(
        QStringLiteral("%1，标题在第 %2 行，%3 行订单%4")
            .arg(m_file->description())
            .arg(m_file->fileRow(m_file->headerRow()))
            .arg(m_file->orderCount())
            .arg(m_mapping.isRemembered() ? QStringLiteral("；列的对应按上次的选择") : QString()));
    fillMapping();
    m_pages->setCurrentIndex(0);
    return true;
}

void OrderImportDialog::fillMapping()
{
    const QStringList headers = m_file->headers();
    const TextTable& t = m_file->table();
    m_columns->clear();
    m_boxes.clear();
    m_columns->setColumnCount(int(headers.size()));
    m_columns->setHorizontalHeaderLabels(headers);
    const int first = m_file->headerRow() + 1;
    const int samples = qMin(kSampleRows, t.rowCount() - first);
    m_columns->setRowCount(1 + qMax(0, samples));
    const QVector<OrderMapping::Field> fields = OrderMapping::fields();
    for (int c = 0; c < headers.size(); ++c) {
        auto* box = new QComboBox(m_columns);
        box->setObjectName(QStringLiteral("OrderField%1").arg(c + 1));
        for (OrderMapping::Field f : fields)
            box->addItem(OrderMapping::label(f), int(f));
        box->setCurrentIndex(int(fields.indexOf(m_mapping.field(c))));
        connect(box, &QComboBox::activated, this, [this, c, box] {
            m_mapping.setField(c, OrderMapping::Field(box->currentData().toInt()));
            // A field of one column leaves the column that had it.
            for (int o = 0; o < m_boxes.size(); ++o)
                m_boxes[o]->setCurrentIndex(int(OrderMapping::fields().indexOf(m_mapping.field(o))));
            updatePreview();
        });
        m_columns->setCellWidget(0, c, box);
        m_boxes << box;
        for (int r = 0; r < samples; ++r)
            m_columns->setItem(1 + r, c, new QTableWidgetItem(t.at(first + r, c).toString()));
    }
    m_columns->resizeColumnsToContents();
    updatePreview();
}

void OrderImportDialog::updatePreview()
{
    const TextTable& t = m_file->table();
    const int first = m_file->headerRow() + 1;
    const int shown = qMax(0, qMin(kPreviewRows, t.rowCount() - first));
    m_preview->setRowCount(shown);
    const QColor unsure(255, 236, 179);
    for (int r = 0; r < shown; ++r) {
        const OrderRow row =
            OrderImporter::mapRow(t.row(first + r), m_file->fileRow(first + r), m_mapping, m_parser);
        const bool leftOut =
            row.value(QStringLiteral("姓名")).isEmpty() && row.value(QStringLiteral("地址")).isEmpty();
        for (int c = 0; c < Schema::importColumns().size(); ++c) {
            auto* cell = new QTableWidgetItem(row.values.value(c));
            const QString column = Schema::importColumns().at(c);
            if (row.masked.contains(column) || row.unsure.contains(column))
                cell->setBackground(unsure);
            if (leftOut)
                cell->setForeground(Qt::gray);
            cell->setToolTip(leftOut ? QStringLiteral("不导入：姓名和地址都为空") : row.problems());
            m_preview->setItem(r, c, cell);
        }
    }
    m_preview->resizeColumnsToContents();
    m_next->setEnabled(m_mapping.hasRecipient() && m_file->orderCount() > 0);
    m_next->setToolTip(m_mapping.hasRecipient() ? QString()
                                                : QStringLiteral("请至少为姓名或地址选好对应的列"));
}

void OrderImportDialog::showReview()
{
    QString why;
    bool ok = false;
    bool cancelled = false;
    OrderPlan plan;
    const QString location = m_location;
    const auto to = destination();
    BackgroundWork work(this);
    work.addProgressDialog(QStringLiteral("导入订单"),
                           QStringLiteral("正在识别 %1 行订单 …").arg(m_file->orderCount()), 400);
    work.run([&](const ProgressFn& progress) {
        ok = OrderImporter::prepare(*m_file, m_mapping, m_parser, &plan, &why, progress, &cancelled);
        if (!ok)
            return;
        Database db;
        ok = db.open(location, &why, false) && OrderImporter::markDuplicates(db, to, &plan, &why);
    });
    if (!ok) {
        if (!cancelled)
            Dialogs::error(this, why);
        return;
    }
    m_plan = std::move(plan);
    m_review->setPlan(&m_plan);
    updateReviewNote();
    m_pages->setCurrentIndex(1);
}

void OrderImportDialog::updateReviewNote()
{
    const int duplicates = m_plan.duplicates();
    const bool merge = m_duplicates->currentIndex() == 1;
    QString note = QStringLiteral("共 %1 行订单：将导入 %2 条，%3 %4 条重复，%5 条需核对。")
                       .arg(m_plan.rows.size() + m_plan.blankRows.size())
                       .arg(m_plan.rows.size() - duplicates)
                       .arg(merge ? QStringLiteral("合并") : QStringLiteral("跳过"))
                       .arg(duplicates)
                       .arg(m_plan.needingReview());
    if (!m_plan.blankRows.isEmpty())
        note += QLatin1Char('\n') + ExcelImporter::blankRowsNote(m_plan.blankRows);
    note += m_review->rowCount() > 0
                ? QStringLiteral("\n下表是需要看一下的行，可以直接修改；改过的行算作已核对。")
                : QStringLiteral("\n没有需要核对的行。");
    m_reviewNote->setText(note);
}

void OrderImportDialog::importRows()
{
    const auto to = destination();
    const auto rule = m_duplicates->currentIndex() == 1 ? OrderImporter::Duplicates::Merge
                                                        : OrderImporter::Duplicates::Skip;
    if (to == OrderImporter::Destination::ExcelList) {
        Database db;
        QString why;
        int marked = 0;
        if (!db.open(m_location, &why, false) || !ExcelImporter::markedRows(db, &marked, &why)) {
            Dialogs::error(this, QStringLiteral("无法读取当前的Excel名单：%1").arg(why));
            return;
        }
        if (marked > 0 &&
            !Dialogs::confirm(
                this, QStringLiteral("当前Excel名单中有 %1 条已打印或已编单号的记录。导入订单将替换整个名单，"
                                     "这些打印标记和单号随之删除（打印记录中仍保留）。要继续导入吗？")
                          .arg(marked)))
            return;
    }
    QString why;
    if (!m_mapping.remember(&why))
        Dialogs::error(this, why); // the import goes on; only the choice is not kept
    OrderImporter::Result result;
    const QString location = m_location;
    BackgroundWork work(this);
    work.addProgressDialog(QStringLiteral("导入订单"), QStringLiteral("正在保存 …"), 400);
    work.run([&](const ProgressFn& progress) {
        Database db;
        if (!db.open(location, &result.reason, false))
            return;
        result = OrderImporter::store(db, m_plan, to, rule, progress);
    });
    if (result.cancelled)
        return;
    if (!result.ok) {
        Dialogs::error(this, QStringLiteral("导入订单失败，什么也没有保存：%1").arg(result.reason));
        return;
    }
    m_result = result;
    Dialogs::message(this, result.summary);
    accept();
}
