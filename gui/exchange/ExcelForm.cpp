#include "gui/exchange/ExcelForm.h"

#include "data/records/DataSet.h"
#include "data/records/DataSetModel.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "exchange/ExcelImporter.h"
#include "gui/widgets/BackgroundWork.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/EnterClicks.h"
#include "gui/widgets/LiveRefresh.h"
#include "gui/widgets/ProductInfo.h"
#include "gui/widgets/RecipientListPanel.h"
#include "gui/widgets/RecipientTracking.h"
#include "gui/widgets/RecordGrid.h"
#include "gui/widgets/ScreenFit.h"
#include "gui/widgets/UserTemplateMenu.h"
#include "report/FontSetup.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kWidth = 1025;
constexpr int kHeight = 700;

QLabel* label(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFont(FontSetup::interfaceFont(14));
    return l;
}

QLineEdit* box(const QString& name, int width, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFont(FontSetup::interfaceFont(14));
    e->setFixedWidth(width);
    return e;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setFont(FontSetup::interfaceFont(14));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TExcelForm::TExcelForm(const QString& storeLocation, QWidget* parent)
    : QDialog(parent), m_location(storeLocation), m_db(std::make_unique<Database>())
{
    setObjectName(QStringLiteral("ExcelForm"));
    setWindowTitle(QStringLiteral("Excel导入—利用Excel模板样式直接导入"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Smaller where the screen is: the grid takes what is left.
    setFixedSize(ScreenFit::clientSize(QSize(kWidth, kHeight), ScreenFit::availableFor(parent)));
    ADOQuery1 = new DataSet(this);
    m_live = new LiveRefresh(this);
    ADOQuery1->setObjectName(QStringLiteral("ADOQuery1"));
    ADOQuery1->setDatabase(m_db.get());
    DataSource1 = new DataSetModel(ADOQuery1, this);
    buildUi();
    buildMenus();
    EnterClicks::install(this);
    connectDatabase();
}

TExcelForm::~TExcelForm() = default;

void TExcelForm::buildUi()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(2);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    root->setMenuBar(MainMenu1);

    auto* pathGroup = new QGroupBox(QStringLiteral("Excel路径"), this);
    pathGroup->setFont(FontSetup::interfaceFont(14));
    pathGroup->setFixedHeight(55);
    auto* pathRow = new QHBoxLayout(pathGroup);
    pathRow->setContentsMargins(8, 2, 8, 4);
    pathRow->addWidget(label(QStringLiteral("Excel路径："), pathGroup));
    Edit1 = box(QStringLiteral("Edit1"), 513, pathGroup);
    pathRow->addWidget(Edit1);
    SpeedButton1 = new QToolButton(pathGroup);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("…"));
    SpeedButton1->setToolTip(QStringLiteral("点击选择路径"));
    // A framed button, so that it reads as one beside the path box.
    SpeedButton1->setAutoRaise(false);
    SpeedButton1->setFixedSize(28, 26);
    pathRow->addWidget(SpeedButton1);
    Button1 = button(QStringLiteral("Button1"), QStringLiteral("开始导入"), pathGroup);
    pathRow->addWidget(Button1);
    pathRow->addStretch();
    root->addWidget(pathGroup);

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    status->setFixedHeight(22);
    auto section = [&](const QString& text, int width) {
        auto* l = new QLabel(text, status);
        l->setFont(FontSetup::interfaceFont(12));
        l->setFixedWidth(width);
        status->addWidget(l);
    };
    section(QString(), 500);
    section(QStringLiteral(" 网址：") + ProductInfo::webSite(), 250);
    section(QStringLiteral(" 最佳分辨率：1024*768"), 200);
    buildList(status);
    root->addWidget(m_list, 1);
    root->addWidget(status);

    connect(SpeedButton1, &QToolButton::clicked, this, &TExcelForm::SpeedButton1Click);
    connect(Button1, &QPushButton::clicked, this, &TExcelForm::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TExcelForm::Button3Click);
    connect(DBGridEh1(), &RecordGrid::contextMenuAt, this,
            [this](const QPoint& at) { PopupMenu1->popup(at); });
}

// Search bar and grid; the number box stands before the buttons, the
// printed-mark filter after "刷新".
void TExcelForm::buildList(QStatusBar* status)
{
    using Part = RecipientListPanel::Part;
    RecipientListPanel::Options o;
    o.nameBox = QStringLiteral("Edit2");
    o.mobileBox = QStringLiteral("Edit3");
    o.searchButton = QStringLiteral("Button2");
    o.grid = QStringLiteral("DBGridEh1");
    o.table = Schema::kExcelTable;
    o.batch = layouts::Variant::ExcelBatch;
    o.columnWidths = {62, 65, 70, 100, 170, 90, 90, 100, 60, 115};
    o.bar = {{Part::NameLabel, {}},   {Part::NameBox, {}},   {Part::MobileLabel, {}},  {Part::MobileBox, {}},
             {Part::NumberLabel, {}}, {Part::NumberBox, {}}, {Part::SearchButton, {}}, {Part::Filter, {}}};
    o.spacing = 2;
    m_list = new RecipientListPanel(DataSource1, o, status, this);
    DBGridEh1()->setToolTip(QString());
    Button3 = button(QStringLiteral("Button3"), QStringLiteral("刷新"), m_list->searchBar());
    QHBoxLayout* row = m_list->searchRow();
    row->insertWidget(row->indexOf(m_list->searchButton()) + 1, Button3);
    setTabOrder(m_list->searchButton(), Button3);
    connect(m_list, &RecipientListPanel::selectionPrintRequested, this, &TExcelForm::selectionPrintRequested);
}

void TExcelForm::buildMenus()
{
    auto fill = [this](QMenu* menu, layouts::Variant variant, bool contextSingle) {
        for (int i = 0; i < layouts::templateCount(); ++i) {
            const layouts::Template& t = layouts::templateAt(i);
            const QString code = QString::fromUtf8(t.code);
            QString caption = QString::fromUtf8(t.menuCaption);
            // The grid's single-print entry of this template reads differently.
            if (contextSingle && code == QLatin1String("tt1"))
                caption = QStringLiteral("天天快递点模板【二】");
            QAction* a = menu->addAction(caption);
            a->setData(code);
            connect(a, &QAction::triggered, this, [this, code, variant] {
                // A batch follows the grid's printed-mark filter.
                const PrintSelection narrowed = m_list->tracking()->filterSelection();
                if (variant == layouts::Variant::ExcelBatch && !narrowed.isAll())
                    emit selectionPrintRequested(code, variant, narrowed);
                else
                    emit templateRequested(code, variant);
            });
        }
        UserTemplateMenu::add(
            menu, [this] { return m_db.get(); },
            [this, variant](const QString& code) { emit templateRequested(code, variant); });
    };
    SinglePrintMenu = MainMenu1->addMenu(QStringLiteral("【单张打印】"));
    fill(SinglePrintMenu, layouts::Variant::ExcelSingle, false);
    BatchPrintMenu = MainMenu1->addMenu(QStringLiteral("【批量打印】"));
    fill(BatchPrintMenu, layouts::Variant::ExcelBatch, false);
    m_list->tracking()->addPrintChoices(BatchPrintMenu);
    QAction* close = MainMenu1->addAction(QStringLiteral("【关闭窗口】"));
    connect(close, &QAction::triggered, this, &TExcelForm::CloseClick);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    fill(PopupMenu1->addMenu(QStringLiteral("单张打印")), layouts::Variant::ExcelSingle, true);
    QMenu* batch = PopupMenu1->addMenu(QStringLiteral("批量打印"));
    fill(batch, layouts::Variant::ExcelBatch, false);
    m_list->tracking()->addPrintChoices(batch);
    m_list->tracking()->addClearMark(PopupMenu1);
}

void TExcelForm::info(const QString& text)
{
    Dialogs::message(this, text);
}

bool TExcelForm::event(QEvent* e)
{
    // A backup restored by another program replaced the file: reopen.
    // Or the user chose another address book under "数据库位置…".
    if (e->type() == QEvent::WindowActivate && (std::exchange(m_released, false) || m_db->fileReplaced() ||
                                                (m_db->isOpen() && m_db->path() != m_location)))
        connectDatabase();
    return QDialog::event(e);
}

void TExcelForm::releaseDatabase()
{
    ADOQuery1->close();
    m_db->close();
    m_released = true;
}

bool TExcelForm::connectDatabase()
{
    ADOQuery1->close();
    m_db->close();
    QString error;
    if (!m_db->open(m_location, &error, false) || !ADOQuery1->open(Schema::kExcelTable, {}, {}, &error)) {
        info(QStringLiteral("连接ACCESS失败！") + QLatin1Char('\n') + error);
        return false;
    }
    m_live->watch(m_db.get(), {ADOQuery1});
    return true;
}

void TExcelForm::setStoreLocation(const QString& location)
{
    m_location = location;
}

void TExcelForm::prepareForShow()
{
    Edit1->clear();
}

void TExcelForm::SpeedButton1Click()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("请选择相应的Excel文件"), QString(),
                                               QStringLiteral("Excel(*.xls *.xlsx)"));
    if (!path.isEmpty())
        Edit1->setText(path);
}

void TExcelForm::Button1Click()
{
    if (!connectDatabase())
        return;
    if (ExcelImporter::isEmptyPath(Edit1->text())) {
        info(ExcelImporter::emptyPathMessage());
        return;
    }
    const QString path = ExcelImporter::cleanPath(Edit1->text());
    // The history keeps what was printed, but the list's marks and numbers
    // go with the list: asked first.
    int marked = 0;
    QString why;
    if (!ExcelImporter::markedRows(*m_db, &marked, &why)) {
        Dialogs::error(this, QStringLiteral("无法读取当前的Excel名单：%1").arg(why));
        return;
    }
    if (marked > 0 &&
        !Dialogs::confirm(
            this, QStringLiteral("当前名单中有 %1 条已打印或已编单号的记录。导入新名单将替换整个名单，"
                                 "这些打印标记和单号随之删除（打印记录中仍保留）。要继续导入吗？")
                      .arg(marked)))
        return;

    // The import reads and stores on a thread of its own, on a connection
    // of its own; the list is not read again until it has ended.
    BackgroundWork work(this);
    work.addProgressDialog(QStringLiteral("批量导入EXCEL"), QStringLiteral("正在导入 %1 …").arg(path), 400);
    const QString dbPath = m_db->path();
    ExcelImporter::Result result;
    m_live->pause();
    work.run(
        [&](const ProgressFn& progress) { result = ExcelImporter::importFileInto(dbPath, path, progress); });

    // Whatever happened, show the table as it now stands: the new list, or
    // the previous one when the import failed or was cancelled.
    QString error;
    m_list->tracking()->reset();
    if (!ADOQuery1->open(Schema::kExcelTable, {}, {}, &error))
        Dialogs::error(this, error);
    m_live->resume(true);
    if (result.cancelled)
        return;
    if (!result.ok) {
        info(result.message);
        return;
    }
    // What came in and what was left out, as the command line says it.
    QString summary = ExcelImporter::successMessage() + QLatin1Char('\n') +
                      QStringLiteral("导入 %1 条记录").arg(result.imported);
    summary +=
        result.blankRows.isEmpty()
            ? QStringLiteral("，没有略去的行。")
            : QStringLiteral("。\n") + ExcelImporter::blankRowsNote(result.blankRows) + QStringLiteral("。");
    info(summary);
}

void TExcelForm::Button2Click()
{
    m_list->search();
}

void TExcelForm::Button3Click()
{
    connectDatabase();
    m_list->clearSearch();
}

void TExcelForm::CloseClick()
{
    hide();
    if (isModal())
        done(QDialog::Rejected);
}
