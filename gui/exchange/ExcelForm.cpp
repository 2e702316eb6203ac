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
#include "gui/widgets/RecipientTracking.h"
#include "gui/widgets/RecordGrid.h"
#include "gui/widgets/ScreenFit.h"
#include "gui/widgets/SearchFeedback.h"
#include "report/FontSetup.h"

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

TExcelForm::TExcelForm(QWidget* parent) : QDialog(parent), m_db(std::make_unique<Database>())
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
    SpeedButton1->setAutoRaise(true);
    pathRow->addWidget(SpeedButton1);
    Button1 = button(QStringLiteral("Button1"), QStringLiteral("开始导入"), pathGroup);
    pathRow->addWidget(Button1);
    pathRow->addStretch();
    root->addWidget(pathGroup);

    auto* searchGroup = new QGroupBox(QStringLiteral("单项查询"), this);
    searchGroup->setFont(FontSetup::interfaceFont(14));
    searchGroup->setFixedHeight(50);
    auto* searchRow = new QHBoxLayout(searchGroup);
    searchRow->setContentsMargins(8, 0, 8, 4);
    searchRow->addWidget(label(QStringLiteral("姓名:"), searchGroup));
    Edit2 = box(QStringLiteral("Edit2"), 153, searchGroup);
    searchRow->addWidget(Edit2);
    searchRow->addWidget(label(QStringLiteral("手机:"), searchGroup));
    Edit3 = box(QStringLiteral("Edit3"), 153, searchGroup);
    searchRow->addWidget(Edit3);
    Button2 = button(QStringLiteral("Button2"), QStringLiteral("查询"), searchGroup);
    Button3 = button(QStringLiteral("Button3"), QStringLiteral("刷新"), searchGroup);
    // Waybill number search before the buttons, the printed-mark filter after.
    auto* numberRow = new QHBoxLayout;
    searchRow->addLayout(numberRow);
    searchRow->addWidget(Button2);
    searchRow->addWidget(Button3);
    auto* filterRow = new QHBoxLayout;
    searchRow->addLayout(filterRow);
    searchRow->addStretch();
    root->addWidget(searchGroup);

    auto* allGroup = new QGroupBox(QStringLiteral("全部记录"), this);
    allGroup->setFont(FontSetup::interfaceFont(14));
    auto* allLayout = new QVBoxLayout(allGroup);
    allLayout->setContentsMargins(4, 4, 4, 4);
    DBGridEh1 = new RecordGrid(DataSource1, QStringLiteral("DBGridEh1"), allGroup);
    DBGridEh1->setToolTip(QString());
    DBGridEh1->setHighlightedTitles();
    DBGridEh1->setRecipientLayout({62, 65, 70, 100, 170, 90, 90, 100, 60, 115});
    allLayout->addWidget(DBGridEh1);
    m_tracking =
        new RecipientTracking(DBGridEh1, ADOQuery1, Schema::kExcelTable, layouts::Variant::ExcelBatch, this);
    connect(m_tracking, &RecipientTracking::selectionPrintRequested, this,
            &TExcelForm::selectionPrintRequested);
    numberRow->addWidget(label(QStringLiteral("单号:"), searchGroup));
    m_tracking->numberBox()->setFixedWidth(130);
    numberRow->addWidget(m_tracking->numberBox());
    filterRow->addWidget(m_tracking->filterBox());
    root->addWidget(allGroup, 1);

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
    root->addWidget(status);
    m_search = new SearchFeedback(ADOQuery1, allGroup, status, this);

    connect(SpeedButton1, &QToolButton::clicked, this, &TExcelForm::SpeedButton1Click);
    connect(Button1, &QPushButton::clicked, this, &TExcelForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TExcelForm::Button2Click);
    connect(Edit2, &QLineEdit::returnPressed, this, &TExcelForm::Button2Click);
    connect(Edit3, &QLineEdit::returnPressed, this, &TExcelForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TExcelForm::Button3Click);
    connect(DBGridEh1, &RecordGrid::contextMenuAt, this, [this](const QPoint& at) { PopupMenu1->popup(at); });
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
            connect(a, &QAction::triggered, this,
                    [this, code, variant] { emit templateRequested(code, variant); });
        }
    };
    SinglePrintMenu = MainMenu1->addMenu(QStringLiteral("【单张打印】"));
    fill(SinglePrintMenu, layouts::Variant::ExcelSingle, false);
    BatchPrintMenu = MainMenu1->addMenu(QStringLiteral("【批量打印】"));
    fill(BatchPrintMenu, layouts::Variant::ExcelBatch, false);
    QAction* close = MainMenu1->addAction(QStringLiteral("【关闭窗口】"));
    connect(close, &QAction::triggered, this, &TExcelForm::CloseClick);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    fill(PopupMenu1->addMenu(QStringLiteral("单张打印")), layouts::Variant::ExcelSingle, true);
    QMenu* batch = PopupMenu1->addMenu(QStringLiteral("批量打印"));
    fill(batch, layouts::Variant::ExcelBatch, false);
    m_tracking->addPrintChoices(batch);
    m_tracking->addClearMark(PopupMenu1);
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
                                                (m_db->isOpen() && m_db->path() != Database::defaultPath())))
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
    if (!m_db->open(Database::defaultPath(), &error, false) ||
        !ADOQuery1->open(Schema::kExcelTable, {}, {}, &error)) {
        info(QStringLiteral("连接ACCESS失败！") + QLatin1Char('\n') + error);
        return false;
    }
    m_live->watch(m_db.get(), {ADOQuery1});
    return true;
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
    m_tracking->reset();
    if (!ADOQuery1->open(Schema::kExcelTable, {}, {}, &error))
        Dialogs::error(this, error);
    m_live->resume(true);
    if (result.cancelled)
        return;
    info(result.ok ? ExcelImporter::successMessage() : result.message);
}

void TExcelForm::Button2Click()
{
    QString error;
    if (m_tracking->hasNumber() ? !m_tracking->searchNumber(&error)
                                : !m_search->search(Edit2->text(), Edit3->text(), &error))
        Dialogs::error(this, error);
    else if (!Edit2->text().isEmpty() || !Edit3->text().isEmpty())
        m_tracking->filterBox()->setCurrentIndex(0);
}

void TExcelForm::Button3Click()
{
    connectDatabase();
    Edit2->clear();
    Edit3->clear();
    m_tracking->reset();
}

void TExcelForm::CloseClick()
{
    hide();
    if (isModal())
        done(QDialog::Rejected);
}
