#include "gui/templates/TemplateWindow.h"

#include "templates/BuiltInDesign.h"

#include "data/records/DataSet.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/LayoutEditor.h"
#include "gui/templates/TemplateAdjustBar.h"
#include "gui/templates/TemplatePrintListener.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/ScreenFit.h"
#include "report/FontSetup.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "templates/BatchData.h"
#include "templates/IntegerText.h"
#include "templates/TemplateReport.h"

#include <QApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr double kScreenPpi = 96.0;
constexpr int kStripHeight = 35; // strip above the page with the shift boxes
constexpr int kPageLeft = 2;

int mmToPixels(double mm)
{
    return int(std::lround(mm * kScreenPpi / 25.4));
}

// The strip is the window's own text, not print: the interface face.
QFont stripFont()
{
    return FontSetup::interfaceFont(12);
}

} // namespace

TemplateWindow::TemplateWindow(const layouts::Template& tmpl, layouts::Variant variant,
                               const TemplateSources& sources, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_builtIn(&tmpl), m_sources(sources), m_variant(variant)
{
    const layouts::Page& page = tmpl.variant(variant);
    m_layout = new TemplateReport(tmpl, variant, this);
    build(QString::fromUtf8(page.className), QString::fromUtf8(tmpl.caption),
          QSizeF(page.pageWidthMm, page.pageHeightMm), QSizeF(page.bandWidthMm, page.bandHeightMm),
          QRectF(page.pictureLeftMm, page.pictureTopMm, page.pictureWidthMm, page.pictureHeightMm));
}

TemplateWindow::TemplateWindow(const TemplateDesign& design, layouts::Variant variant,
                               const TemplateSources& sources, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_sources(sources), m_variant(variant)
{
    m_layout = new TemplateReport(design, variant, this);
    build(QStringLiteral("UserTemplateForm"), design.caption, design.pageMm, design.bandMm,
          QRectF(QPointF(0, 0), design.pageMm));
}

void TemplateWindow::build(const QString& className, const QString& caption, const QSizeF& pageMm,
                           const QSizeF& bandMm, const QRectF& pictureMm)
{
    m_caption = caption;
    setObjectName(className);
    setWindowTitle(baseTitle());
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(true);

    m_listener = std::make_unique<TemplatePrintListener>(m_layout);
    m_listener->setSources(m_sources);
    m_layout->report()->OutputListener = m_listener.get();
    // The font dialog opens at the items' own font, so that "确定" without a
    // change changes nothing.
    if (!m_layout->items().isEmpty()) {
        m_dialogFont = m_layout->items().first()->Font;
        m_dialogColor = m_layout->items().first()->FontColor;
    }
    if (m_layout->isBatch()) {
        m_batch = new BatchData(m_layout->recipientTable(), this);
        m_batch->setObjectName(QStringLiteral("ADOConnection1"));
    }
    bindSources();

    m_pagePx = QSize(mmToPixels(pageMm.width()), mmToPixels(pageMm.height()));
    m_bandPx = QSize(mmToPixels(bandMm.width()), mmToPixels(bandMm.height()));
    m_pictureRect = QRect(mmToPixels(pictureMm.left()), mmToPixels(pictureMm.top()),
                          mmToPixels(pictureMm.width()), mmToPixels(pictureMm.height()));

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->setSizeConstraint(QLayout::SetFixedSize);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    N1 = MainMenu1->addAction(QStringLiteral("【打印预览】"));
    N1->setObjectName(QStringLiteral("N1"));
    N3 = MainMenu1->addAction(QStringLiteral("【设置字体】"));
    N3->setObjectName(QStringLiteral("N3"));
    N2 = MainMenu1->addAction(QStringLiteral("【关闭窗口】"));
    N2->setObjectName(QStringLiteral("N2"));
    connect(N1, &QAction::triggered, this, &TemplateWindow::N1Click);
    connect(N2, &QAction::triggered, this, &TemplateWindow::N2Click);
    connect(N3, &QAction::triggered, this, &TemplateWindow::N3Click);
    CopyAction = MainMenu1->addAction(QStringLiteral("【复制为自定义模板】"));
    CopyAction->setObjectName(QStringLiteral("CopyAction"));
    CopyAction->setVisible(false);
    connect(CopyAction, &QAction::triggered, this, [this] { emit copyAsUserTemplate(designForCopy()); });
    box->setMenuBar(MainMenu1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedSize(m_pagePx.width() + kPageLeft, m_pagePx.height() + kStripHeight);
    // On a screen smaller than the page the page scrolls.
    const QRect avail = ScreenFit::availableFor(this);
    const QMargins frame = ScreenFit::frameGuess();
    const QSize room(avail.width() - frame.left() - frame.right(),
                     avail.height() - frame.top() - frame.bottom() - MainMenu1->sizeHint().height());
    box->addWidget(ScreenFit::scrollIfLarger(Panel2, room, this));

    buildStrip();
    buildPage();
    buildAdjustButtons();
}

QString TemplateWindow::code() const
{
    return m_layout->code();
}

TemplateDesign TemplateWindow::designForCopy() const
{
    TemplateDesign d =
        m_builtIn ? builtInDesign(*m_builtIn, m_variant, m_layout->adjustment()) : m_layout->templateDesign();
    const TemplateAdjustment& a = m_layout->adjustment();
    if (!m_builtIn) {
        // The shop's own: its saved offsets and hiding go into the copy's places.
        const QString variant = layouts::variantName(m_variant);
        for (DesignItem& item : d.items) {
            const ItemAdjustment i = a.item(variant, item.name);
            item.leftMm += i.dx / 10.0;
            item.topMm += i.dy / 10.0;
            item.hidden = item.hidden || i.hidden;
        }
        d.calibrationDx = a.dx;
        d.calibrationDy = a.dy;
        d.scaleX = a.scaleX;
        d.scaleY = a.scaleY;
        d.wordWrap = a.wordWrap;
        if (!a.picture.isEmpty())
            d.picture = a.picture;
    }
    d.builtIn = false;
    d.code.clear();
    d.caption = QStringLiteral("%1（副本）").arg(m_caption);
    return d;
}

void TemplateWindow::setCopyActionVisible(bool visible)
{
    CopyAction->setVisible(visible);
}

QString TemplateWindow::baseTitle() const
{
    // The four windows of a template look alike: the title tells them apart.
    static const char* const kinds[layouts::kVariantCount] = {"单张打印", "批量打印", "Excel单张打印",
                                                              "Excel批量打印"};
    return QStringLiteral("%1 — %2").arg(m_caption, QString::fromUtf8(kinds[int(m_variant)]));
}

TemplateWindow::~TemplateWindow()
{
    m_layout->report()->OutputListener = nullptr;
}

void TemplateWindow::buildStrip()
{
    const QFont font = stripFont();
    const int width = Panel2->width();
    int x = width / 2;
    auto place = [&](QWidget* w, int y, int wWidth, int wHeight) {
        w->setFont(font);
        w->setGeometry(x, y, wWidth, wHeight);
        x += wWidth + 6;
    };

    Label2 = new QLabel(QStringLiteral("左右移动"), Panel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    place(Label2, 10, 50, 14);
    Edit1 = new QLineEdit(Panel2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFrame(false);
    place(Edit1, 8, 65, 18);
    Button2 = new QPushButton(QStringLiteral("确定"), Panel2);
    Button2->setObjectName(QStringLiteral("Button2"));
    place(Button2, 7, 50, 20);
    x += 8;
    Label3 = new QLabel(QStringLiteral("上下移动"), Panel2);
    Label3->setObjectName(QStringLiteral("Label3"));
    place(Label3, 10, 50, 14);
    Edit2 = new QLineEdit(Panel2);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFrame(false);
    place(Edit2, 8, 65, 18);
    Button3 = new QPushButton(QStringLiteral("确定"), Panel2);
    Button3->setObjectName(QStringLiteral("Button3"));
    place(Button3, 7, 50, 20);

    // Neither button may take Enter: only a click applies a shift.
    for (QPushButton* b : {Button2, Button3}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(Button2, &QPushButton::clicked, this, &TemplateWindow::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TemplateWindow::Button3Click);
}

void TemplateWindow::buildPage()
{
    QuickRep1 = new QWidget(Panel2);
    QuickRep1->setObjectName(QStringLiteral("QuickRep1"));
    QuickRep1->setGeometry(kPageLeft, kStripHeight, m_pagePx.width(), m_pagePx.height());
    QPalette pal = QuickRep1->palette();
    pal.setColor(QPalette::Window, Qt::white);
    QuickRep1->setPalette(pal);
    QuickRep1->setAutoFillBackground(true);

    // The scanned form: on screen only, never part of the report.
    Image1 = new QLabel(QuickRep1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setGeometry(m_pictureRect);
    QPixmap pix(m_layout->builtInPicture());
    if (!m_builtIn)
        pix.loadFromData(m_layout->templateDesign().picture);
    if (!pix.isNull())
        Image1->setPixmap(pix);

    ItemLayer = new QWidget(QuickRep1);
    ItemLayer->setObjectName(QStringLiteral("ItemLayer"));
    ItemLayer->setGeometry(0, 0, m_pagePx.width(), m_pagePx.height());
    m_editor = new LayoutEditor(
        m_layout, ItemLayer, Image1, m_pictureRect, [this] { return m_sources.database(); }, this);
}

void TemplateWindow::buildAdjustButtons()
{
    m_adjust = new TemplateAdjustBar(
        Panel2, m_layout, m_editor, [this] { return m_sources.database(); }, this);
    CalibrateButton = m_adjust->calibrateButton();
    PictureButton = m_adjust->pictureButton();
    HideButton = m_adjust->hideButton();
    ResetButton = m_adjust->resetButton();
    WordWrapBox = m_adjust->wordWrapBox();
}

void TemplateWindow::calibrate()
{
    m_adjust->calibrate();
}

void TemplateWindow::choosePicture()
{
    m_adjust->choosePicture();
}

void TemplateWindow::toggleHidden()
{
    m_adjust->toggleHidden();
}

void TemplateWindow::setWordWrap(bool on)
{
    m_adjust->setWordWrap(on);
}

void TemplateWindow::showEvent(QShowEvent* e)
{
    // Another variant's window may have changed what is saved.
    m_editor->reload();
    m_adjust->showWrapChoice();
    QDialog::showEvent(e);
}

TQuickRep* TemplateWindow::report() const
{
    return m_layout->report();
}

bool TemplateWindow::isBatch() const
{
    return m_layout->isBatch();
}

QPixmap TemplateWindow::picture() const
{
    return Image1->pixmap();
}

void TemplateWindow::bindSources()
{
    switch (m_variant) {
    case layouts::Variant::Single:
        m_layout->bind(m_sources.senders, m_sources.recipients);
        m_listener->setData(m_sources.senders, m_sources.recipients);
        break;
    case layouts::Variant::ExcelSingle:
        m_layout->bind(m_sources.senders, m_sources.excelRecipients);
        m_listener->setData(m_sources.senders, m_sources.excelRecipients);
        break;
    case layouts::Variant::Batch:
    case layouts::Variant::ExcelBatch:
        m_layout->bind(m_batch->senders(), m_batch->recipients());
        m_listener->setData(m_batch->senders(), m_batch->recipients());
        break;
    }
}

void TemplateWindow::setSelection(const PrintSelection& selection)
{
    if (!m_batch)
        return;
    m_selection = selection;
    m_batch->setSelection(selection);
    m_listener->setSelection(selection);
    QString title = baseTitle();
    if (selection.chosen)
        title += QStringLiteral("（选中 %1 条）").arg(selection.serials.size());
    else if (selection.unprintedOnly)
        title += QStringLiteral("（仅未打印）");
    setWindowTitle(title);
}

bool TemplateWindow::reprint(const PrintSelection& rows, qint64 senderRow, QString* error)
{
    // A single print is reprinted from sets of its own standing on the rows
    // it printed; a batch from its window's sets narrowed to them. Either
    // way the window's shifts and font apply.
    BatchData own(m_layout->recipientTable());
    BatchData* data = m_batch ? m_batch : &own;
    const PrintSelection before = m_selection;
    data->setSelection(rows);
    data->setSenderRow(senderRow);
    m_listener->setSelection(rows);
    const bool ok = data->reload(m_sources.database(), error);
    if (ok) {
        m_layout->bind(data->senders(), data->recipients());
        m_listener->setData(data->senders(), data->recipients());
        if (!report()->Preview(this))
            ReportPreview::exec(report(), this, m_sources.database());
    }
    data->setSenderRow(-1);
    if (m_batch)
        setSelection(before);
    else
        m_listener->setSelection(before);
    // Back to what the window prints otherwise.
    if (m_batch && isVisible())
        loadBatchData();
    else
        bindSources();
    return ok;
}

void TemplateWindow::setSources(const TemplateSources& sources)
{
    m_sources = sources;
    m_listener->setSources(sources);
    bindSources();
}

bool TemplateWindow::loadBatchData(QString* error)
{
    if (!m_batch)
        return true;
    const bool ok = m_batch->reload(m_sources.database(), error);
    bindSources();
    return ok;
}

bool TemplateWindow::readShift(QLineEdit* edit, int* pixels)
{
    const QString text = edit->text();
    if (text.isEmpty())
        return false;
    if (!IntegerText::toInt(text, pixels)) {
        Dialogs::error(this, IntegerText::invalidMessage(text));
        return false;
    }
    return true;
}

void TemplateWindow::Button2Click()
{
    int n = 0;
    if (!readShift(Edit1, &n))
        return;
    QString why;
    if (!m_layout->shiftLeft(n, &why))
        Dialogs::error(this, why);
    ItemLayer->update();
}

void TemplateWindow::Button3Click()
{
    int n = 0;
    if (!readShift(Edit2, &n))
        return;
    QString why;
    if (!m_layout->shiftTop(n, &why))
        Dialogs::error(this, why);
    ItemLayer->update();
}

void TemplateWindow::N1Click()
{
    if (m_variant == layouts::Variant::ExcelSingle && code() == QLatin1String("zt1")) {
        // This window brings the main and the Excel window to the front first.
        for (const char* name : {"MainForm", "ExcelForm"}) {
            const QWidgetList tops = QApplication::topLevelWidgets();
            for (QWidget* w : tops) {
                if (w->objectName() == QLatin1String(name)) {
                    w->show();
                    w->raise();
                }
            }
        }
    }
    bindSources();
    if (!confirmSender())
        return;
    if (!report()->Preview(this))
        ReportPreview::exec(report(), this, m_sources.database());
}

bool TemplateWindow::confirmSender()
{
    // A batch prints every page with the first sender row, a single print
    // with the sender grid's current row.
    const bool batch = isBatch();
    DataSet* senders = batch ? m_batch->senders() : m_sources.senders;
    const int row = !senders || !senders->isOpen() ? -1 : batch ? 0 : senders->currentRow();
    const int name = senders ? senders->fieldIndex(QStringLiteral("姓名")) : -1;
    const bool named = row >= 0 && row < senders->recordCount() && name >= 0 &&
                       !senders->value(row, name).trimmed().isEmpty();
    if (named)
        return true;
    const QString where = batch ? QStringLiteral("批量打印使用第一条寄件记录")
                                : QStringLiteral("单张打印使用寄件人表格中的当前记录");
    const QString text =
        QStringLiteral(
            "寄件人姓名为空，打印出的快递单上将没有寄件人。\n%1，请在“寄件信息”中填写。\n\n仍要继续吗？")
            .arg(where);
    return Dialogs::message(this, text, QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

void TemplateWindow::N2Click()
{
    close();
}

void TemplateWindow::N3Click()
{
    QFont chosen = m_dialogFont;
    QColor color = m_dialogColor;
    if (!Dialogs::font(this, &chosen, QString(), &color))
        return;
    QString why;
    if (!m_layout->setItemsFont(chosen, color, &why)) {
        Dialogs::error(this, why);
        return;
    }
    m_dialogFont = chosen;
    m_dialogColor = color;
    ItemLayer->update();
}

void TemplateWindow::FormActivate()
{
    if (!m_batch)
        return;
    QString error;
    if (!loadBatchData(&error)) {
        // The error box takes the activation away from us; coming back from
        // it must not read (and fail) again.
        m_skipActivate = !Dialogs::isScripted();
        Dialogs::error(this, error);
    }
}

bool TemplateWindow::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && m_batch) {
        if (m_skipActivate)
            m_skipActivate = false;
        else
            FormActivate();
    }
    return QDialog::event(e);
}

void TemplateWindow::hideEvent(QHideEvent* e)
{
    // A closed window is kept for the next time but keeps no list: the data
    // are read again when it is activated.
    if (m_batch && !e->spontaneous())
        m_batch->close();
    QDialog::hideEvent(e);
}

void TemplateWindow::keyPressEvent(QKeyEvent* e)
{
    // Enter in a box does nothing; only the button beside it shifts. The
    // window has no keys of its own: Escape doesn't close it either.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}
