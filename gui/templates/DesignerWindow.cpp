#include "gui/templates/DesignerWindow.h"

#include "data/store/Database.h"
#include "gui/report/ReportPreview.h"
#include "gui/templates/DesignerClipboard.h"
#include "gui/templates/DesignerDocument.h"
#include "gui/templates/DesignerItem.h"
#include "gui/templates/DesignerProperties.h"
#include "gui/templates/DesignerRuler.h"
#include "gui/templates/DesignerScene.h"
#include "gui/templates/DesignerStartDialog.h"
#include "gui/templates/DesignerView.h"
#include "gui/widgets/Dialogs.h"
#include "templates/BackgroundPicture.h"
#include "templates/BuiltInDesign.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateMenuTable.h"
#include "templates/TemplateReport.h"
#include "templates/UserTemplates.h"
#include "templates/layouts/Catalogue.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>

DesignerWindow::DesignerWindow(const TemplateSources& sources, QWidget* parent)
    : QMainWindow(parent), m_sources(sources), m_doc(new DesignerDocument(this))
{
    setObjectName(QStringLiteral("DesignerWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_scene = new DesignerScene(m_doc, this);
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    m_view = new DesignerView(m_scene, central);
    m_hRuler = new DesignerRuler(Qt::Horizontal, m_view, central);
    m_vRuler = new DesignerRuler(Qt::Vertical, m_view, central);
    auto* corner = new QWidget(central);
    corner->setFixedSize(DesignerRuler::kThickness, DesignerRuler::kThickness);
    grid->addWidget(corner, 0, 0);
    grid->addWidget(m_hRuler, 0, 1);
    grid->addWidget(m_vRuler, 1, 0);
    grid->addWidget(m_view, 1, 1);
    setCentralWidget(central);

    m_props = new DesignerProperties(m_doc, this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_props);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* dock = new QDockWidget(QStringLiteral("属性"), this);
    dock->setObjectName(QStringLiteral("PropertiesDock"));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    dock->setWidget(scroll);
    dock->setMinimumWidth(250);
    addDockWidget(Qt::RightDockWidgetArea, dock);

    m_cursorLabel = new QLabel(this);
    m_zoomLabel = new QLabel(this);
    statusBar()->addWidget(m_cursorLabel, 1);
    statusBar()->addPermanentWidget(m_zoomLabel);

    buildActions();
    buildMenus();
    connect(m_scene, &DesignerScene::cursorMoved, m_hRuler, &DesignerRuler::setCursorMm);
    connect(m_scene, &DesignerScene::cursorMoved, m_vRuler, &DesignerRuler::setCursorMm);
    connect(m_scene, &DesignerScene::cursorMoved, this, [this](const QPointF& p) {
        m_cursorLabel->setText(
            QStringLiteral("x %1 mm，y %2 mm").arg(p.x(), 0, 'f', 1).arg(p.y(), 0, 'f', 1));
    });
    connect(m_view, &DesignerView::viewChanged, this, &DesignerWindow::showStatus);
    connect(m_doc->undoStack(), &QUndoStack::cleanChanged, this, &DesignerWindow::showTitle);
    connect(m_doc, &DesignerDocument::designChanged, this, &DesignerWindow::showTitle);
    connect(m_doc, &DesignerDocument::selectionChanged, this, &DesignerWindow::showStatus);
    resize(1100, 700);
    openDesign(DesignerEdits::blank({100, 150}));
}

DesignerWindow::~DesignerWindow()
{
    // The children are destroyed after this window has stopped being one;
    // a scene going away still scrolls the view, whose signals must then
    // reach nothing here.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
}

QAction* DesignerWindow::makeAction(const QString& name, const QString& text, const QKeySequence& key)
{
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    if (!key.isEmpty())
        a->setShortcut(key);
    return a;
}

QAction* DesignerWindow::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void DesignerWindow::buildActions()
{
    using K = DesignItem::Kind;
    using A = DesignerEdits::AlignTo;
    connect(makeAction("newAction", QStringLiteral("新建…"), QKeySequence::New), &QAction::triggered, this,
            &DesignerWindow::newTemplate);
    connect(makeAction("saveAction", QStringLiteral("保存"), QKeySequence::Save), &QAction::triggered, this,
            &DesignerWindow::save);
    connect(makeAction("saveAsAction", QStringLiteral("另存为…")), &QAction::triggered, this,
            &DesignerWindow::saveAs);
    connect(makeAction("previewAction", QStringLiteral("打印预览"), QKeySequence::Print), &QAction::triggered,
            this, &DesignerWindow::preview);
    connect(makeAction("closeAction", QStringLiteral("关闭"), QKeySequence::Close), &QAction::triggered, this,
            &QWidget::close);
    connect(makeAction("pictureAction", QStringLiteral("背景图…")), &QAction::triggered, this,
            &DesignerWindow::choosePicture);
    connect(makeAction("clearPictureAction", QStringLiteral("去掉背景图")), &QAction::triggered, this,
            &DesignerWindow::clearPicture);

    QAction* undo = m_doc->undoStack()->createUndoAction(this, QStringLiteral("撤销"));
    undo->setObjectName(QStringLiteral("undoAction"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = m_doc->undoStack()->createRedoAction(this, QStringLiteral("重做"));
    redo->setObjectName(QStringLiteral("redoAction"));
    redo->setShortcuts({QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // The toolbar's buttons keep their short names (the menu's say what
    // they undo), so the bar does not shift with every step.
    QAction* undoTool = makeAction("undoToolAction", QStringLiteral("撤销"));
    QAction* redoTool = makeAction("redoToolAction", QStringLiteral("重做"));
    connect(undoTool, &QAction::triggered, m_doc->undoStack(), &QUndoStack::undo);
    connect(redoTool, &QAction::triggered, m_doc->undoStack(), &QUndoStack::redo);
    connect(m_doc->undoStack(), &QUndoStack::canUndoChanged, undoTool, &QAction::setEnabled);
    connect(m_doc->undoStack(), &QUndoStack::canRedoChanged, redoTool, &QAction::setEnabled);
    undoTool->setEnabled(false);
    redoTool->setEnabled(false);
    connect(makeAction("copyAction", QStringLiteral("复制"), QKeySequence::Copy), &QAction::triggered, this,
            &DesignerWindow::copySelection);
    connect(makeAction("pasteAction", QStringLiteral("粘贴"), QKeySequence::Paste), &QAction::triggered, this,
            &DesignerWindow::paste);
    // Copied here or in another window, or another program's copy.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        m_pastes = 0;
        showStatus();
    });
    connect(makeAction("deleteAction", QStringLiteral("删除"), QKeySequence::Delete), &QAction::triggered,
            this, &DesignerWindow::deleteSelection);
    connect(makeAction("selectAllAction", QStringLiteral("全选"), QKeySequence::SelectAll),
            &QAction::triggered, this, &DesignerWindow::selectAll);

    const struct
    {
        const char* name;
        const char* text;
        K kind;
    } kinds[] = {{"addFieldAction", "数据字段", K::Field},
                 {"addTextAction", "固定文字", K::Text},
                 {"addBarcodeAction", "条形码", K::Barcode},
                 {"addQrAction", "二维码", K::QrCode}};
    for (const auto& k : kinds)
        connect(makeAction(k.name, QString::fromUtf8(k.text)), &QAction::triggered, this,
                [this, kind = k.kind] { addItem(kind); });

    const struct
    {
        const char* name;
        const char* text;
        A to;
    } aligns[] = {
        {"alignLeftAction", "左对齐", A::Left},         {"alignHCenterAction", "水平居中", A::HCenter},
        {"alignRightAction", "右对齐", A::Right},       {"alignTopAction", "顶端对齐", A::Top},
        {"alignVCenterAction", "垂直居中", A::VCenter}, {"alignBottomAction", "底端对齐", A::Bottom}};
    for (const auto& a : aligns)
        connect(makeAction(a.name, QString::fromUtf8(a.text)), &QAction::triggered, this,
                [this, to = a.to] { alignSelection(to); });
    connect(makeAction("distributeHAction", QStringLiteral("水平等距分布")), &QAction::triggered, this,
            [this] { distributeSelection(Qt::Horizontal); });
    connect(makeAction("distributeVAction", QStringLiteral("垂直等距分布")), &QAction::triggered, this,
            [this] { distributeSelection(Qt::Vertical); });

    connect(makeAction("zoomInAction", QStringLiteral("放大"), QKeySequence::ZoomIn), &QAction::triggered,
            m_view, [this] { m_view->zoomBy(1); });
    connect(makeAction("zoomOutAction", QStringLiteral("缩小"), QKeySequence::ZoomOut), &QAction::triggered,
            m_view, [this] { m_view->zoomBy(-1); });
    connect(makeAction("zoomFitAction", QStringLiteral("适合窗口")), &QAction::triggered, m_view,
            &DesignerView::zoomToFit);
    connect(makeAction("zoom100Action", QStringLiteral("实际大小")), &QAction::triggered, m_view,
            [this] { m_view->setZoomPercent(100); });
}

void DesignerWindow::buildMenus()
{
    auto add = [this](QMenu* m, const QStringList& names) {
        for (const QString& n : names) {
            if (n.isEmpty())
                m->addSeparator();
            else
                m->addAction(action(n));
        }
    };
    add(menuBar()->addMenu(QStringLiteral("文件")),
        {"newAction", "saveAction", "saveAsAction", "", "previewAction", "", "closeAction"});
    add(menuBar()->addMenu(QStringLiteral("编辑")),
        {"undoAction", "redoAction", "", "copyAction", "pasteAction", "deleteAction", "", "selectAllAction"});
    add(menuBar()->addMenu(QStringLiteral("插入")),
        {"addFieldAction", "addTextAction", "addBarcodeAction", "addQrAction"});
    add(menuBar()->addMenu(QStringLiteral("排列")),
        {"alignLeftAction", "alignHCenterAction", "alignRightAction", "", "alignTopAction",
         "alignVCenterAction", "alignBottomAction", "", "distributeHAction", "distributeVAction"});
    add(menuBar()->addMenu(QStringLiteral("视图")),
        {"zoomInAction", "zoomOutAction", "zoomFitAction", "zoom100Action"});
    add(menuBar()->addMenu(QStringLiteral("背景")), {"pictureAction", "clearPictureAction"});

    QToolBar* bar = addToolBar(QStringLiteral("工具栏"));
    bar->setObjectName(QStringLiteral("DesignerToolBar"));
    bar->setMovable(false);
    for (const char* n : {"newAction",
                          "saveAction",
                          "",
                          "undoToolAction",
                          "redoToolAction",
                          "",
                          "addFieldAction",
                          "addTextAction",
                          "addBarcodeAction",
                          "addQrAction",
                          "",
                          "alignLeftAction",
                          "alignTopAction",
                          "distributeHAction",
                          "",
                          "zoomOutAction",
                          "zoomInAction",
                          "zoomFitAction",
                          "",
                          "pictureAction",
                          "previewAction"}) {
        if (QString(n).isEmpty())
            bar->addSeparator();
        else
            bar->addAction(action(n));
    }
}

void DesignerWindow::showTitle()
{
    const TemplateDesign& d = m_doc->design();
    const QString name = d.caption.isEmpty() ? QStringLiteral("未命名") : d.caption;
    setWindowTitle(QStringLiteral("模板设计 - %1[*]").arg(name));
    setWindowModified(m_doc->isModified());
}

void DesignerWindow::showStatus()
{
    m_zoomLabel->setText(QStringLiteral("%1 %").arg(qRound(m_view->zoomPercent())));
    const bool any = !m_doc->selection().isEmpty();
    const bool several = m_doc->selection().size() >= 2;
    for (const char* n : {"copyAction", "deleteAction"})
        action(n)->setEnabled(any);
    for (const char* n : {"alignLeftAction", "alignHCenterAction", "alignRightAction", "alignTopAction",
                          "alignVCenterAction", "alignBottomAction"})
        action(n)->setEnabled(several);
    for (const char* n : {"distributeHAction", "distributeVAction"})
        action(n)->setEnabled(m_doc->selection().size() >= 3);
    action("pasteAction")->setEnabled(DesignerClipboard::hasItems());
    action("clearPictureAction")->setEnabled(!m_doc->design().picture.isEmpty());
}

void DesignerWindow::openDesign(const TemplateDesign& design)
{
    m_doc->reset(design);
    m_pastes = 0;
    showTitle();
    showStatus();
    if (isVisible())
        m_view->zoomToFit();
    else
        m_fitPending = true;
}

void DesignerWindow::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_fitPending) {
        m_fitPending = false;
        // After the layout has given the view its size.
        QMetaObject::invokeMethod(m_view, &DesignerView::zoomToFit, Qt::QueuedConnection);
    }
}

bool DesignerWindow::openBuiltInCopy(const QString& code, QString* error)
{
    const layouts::Template* tmpl = layouts::findTemplate(code);
    if (!tmpl) {
        *error = QStringLiteral("没有代码为“%1”的内置模板。").arg(code);
        return false;
    }
    Database db;
    if (!db.open(m_sources.database(), error, false))
        return false;
    const TemplateAdjustment saved = LayoutAdjustments::load(db, code, error);
    if (!error->isEmpty())
        return false;
    TemplateDesign d = builtInDesign(*tmpl, layouts::Variant::Single, saved);
    d.caption = QStringLiteral("%1（副本）").arg(d.caption);
    openDesign(asCopy(d));
    return true;
}

TemplateDesign DesignerWindow::asCopy(TemplateDesign design)
{
    // The copy is the shop's own from now on: a code of its own at the first save.
    design.builtIn = false;
    design.code.clear();
    return design;
}

bool DesignerWindow::openSaved(const QString& code, QString* error)
{
    Database db;
    TemplateDesign d;
    if (!db.open(m_sources.database(), error, false) || !UserTemplates::load(db, code, &d, error))
        return false;
    openDesign(d);
    return true;
}

bool DesignerWindow::startCopy(const TemplateDesign& design)
{
    if (!maybeSave())
        return false;
    openDesign(asCopy(design));
    return true;
}

bool DesignerWindow::newTemplate()
{
    if (!maybeSave())
        return false;
    QVector<DesignerStartDialog::Entry> builtIn;
    for (const TemplateMenuEntry& e : TemplateMenuTable::entries())
        builtIn.append({e.code, e.caption});
    QVector<DesignerStartDialog::Entry> saved;
    {
        Database db;
        QString error;
        QVector<TemplateDesign> list;
        if (db.open(m_sources.database(), &error, false) && UserTemplates::list(db, &list, &error))
            for (const TemplateDesign& t : list)
                saved.append({t.code, t.caption});
    }
    DesignerStartDialog dialog(builtIn, saved, this);
    if (Dialogs::exec(&dialog) != QDialog::Accepted)
        return false;
    const DesignerStartDialog::Choice c = dialog.choice();
    QString error;
    bool ok = true;
    switch (c.start) {
    case DesignerStartDialog::Start::Blank:
        openDesign(DesignerEdits::blank(c.pageMm));
        break;
    case DesignerStartDialog::Start::BuiltIn:
        ok = openBuiltInCopy(c.code, &error);
        break;
    case DesignerStartDialog::Start::Saved:
        ok = openSaved(c.code, &error);
        break;
    }
    if (!ok)
        Dialogs::error(this, QStringLiteral("无法打开模板：%1").arg(error));
    return ok;
}

bool DesignerWindow::store(TemplateDesign design)
{
    Database db;
    QString error;
    bool ok = db.open(m_sources.database(), &error, false);
    if (ok && (design.builtIn || design.code.isEmpty())) {
        design.code = UserTemplates::newCode(db);
        design.builtIn = false;
    }
    if (!ok || !UserTemplates::save(db, design, &error)) {
        Dialogs::error(this, QStringLiteral("无法保存模板：%1").arg(error));
        return false;
    }
    m_doc->markSaved(design);
    statusBar()->showMessage(QStringLiteral("已保存“%1”。").arg(design.caption), 5000);
    return true;
}

bool DesignerWindow::save()
{
    TemplateDesign d = m_doc->design();
    if (d.caption.trimmed().isEmpty()) {
        QString name = QStringLiteral("我的模板");
        if (!Dialogs::text(this, QStringLiteral("保存模板"), QStringLiteral("模板名称："), &name) ||
            name.trimmed().isEmpty())
            return false;
        d.caption = name.trimmed();
        m_doc->change(d, QStringLiteral("命名模板"), m_doc->selection());
    }
    return store(d);
}

bool DesignerWindow::saveAs()
{
    TemplateDesign d = m_doc->design();
    QString name = d.caption.isEmpty() ? QStringLiteral("我的模板") : d.caption + QStringLiteral(" 副本");
    if (!Dialogs::text(this, QStringLiteral("另存为"), QStringLiteral("新模板的名称："), &name) ||
        name.trimmed().isEmpty())
        return false;
    d.caption = name.trimmed();
    d.code.clear();
    m_doc->change(d, QStringLiteral("命名模板"), m_doc->selection());
    return store(d);
}

bool DesignerWindow::maybeSave()
{
    if (!m_doc->isModified())
        return true;
    const TemplateDesign& d = m_doc->design();
    const QString name =
        d.caption.isEmpty() ? QStringLiteral("未命名模板") : QStringLiteral("“%1”").arg(d.caption);
    switch (Dialogs::message(this, QStringLiteral("%1已修改，是否保存？").arg(name), QMessageBox::Question,
                             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                             QStringLiteral("模板设计"))) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void DesignerWindow::closeEvent(QCloseEvent* e)
{
    if (!maybeSave()) {
        e->ignore();
        return;
    }
    // What was not saved is gone; the next opening starts clean.
    if (m_doc->isModified())
        m_doc->undoStack()->setClean();
    e->accept();
}

bool DesignerWindow::choosePicture()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("选择快递单的照片或扫描图"), QString(),
                                               QStringLiteral("图片 (*.jpg *.jpeg *.png *.bmp)"));
    return !path.isEmpty() && setPicture(path);
}

bool DesignerWindow::setPicture(const QString& path)
{
    QByteArray bytes;
    QString error;
    if (!BackgroundPicture::read(path, &bytes, &error)) {
        Dialogs::error(this, error);
        return false;
    }
    TemplateDesign d = m_doc->design();
    d.picture = bytes;
    m_doc->change(d, QStringLiteral("背景图"), m_doc->selection());
    return true;
}

void DesignerWindow::clearPicture()
{
    TemplateDesign d = m_doc->design();
    d.picture.clear();
    m_doc->change(d, QStringLiteral("去掉背景图"), m_doc->selection());
}

void DesignerWindow::addItem(DesignItem::Kind kind)
{
    TemplateDesign d = m_doc->design();
    // Where the user is looking: the middle of the view, on the grid.
    QPointF at = m_view->mapToScene(m_view->viewport()->rect().center());
    at = QPointF(qRound(at.x() * 2) / 2.0, qRound(at.y() * 2) / 2.0);
    DesignItem item = DesignerEdits::newItem(d, kind, at);
    d.items << item;
    m_doc->change(d, QStringLiteral("添加%1").arg(item.name), {item.name});
    m_view->setFocus();
}

void DesignerWindow::copySelection()
{
    const TemplateDesign& d = m_doc->design();
    QVector<DesignItem> items;
    for (int i : DesignerEdits::indexesOf(d, m_doc->selection()))
        items << d.items[i];
    if (items.isEmpty())
        return;
    DesignerClipboard::put(d, items); // every window's paste count starts again
}

void DesignerWindow::paste()
{
    const QVector<DesignItem> items = DesignerClipboard::items();
    if (items.isEmpty())
        return;
    TemplateDesign d = m_doc->design();
    ++m_pastes;
    const QVector<int> added = DesignerEdits::paste(&d, items, QPointF(2, 2) * m_pastes);
    m_doc->change(d, QStringLiteral("粘贴"), DesignerEdits::names(d, added));
}

void DesignerWindow::deleteSelection()
{
    TemplateDesign d = m_doc->design();
    const QVector<int> sel = DesignerEdits::indexesOf(d, m_doc->selection());
    if (sel.isEmpty())
        return;
    DesignerEdits::remove(&d, sel);
    m_doc->change(d, QStringLiteral("删除"), {});
}

void DesignerWindow::selectAll()
{
    QStringList all;
    for (const DesignItem& i : m_doc->design().items)
        all << i.name;
    m_doc->setSelection(all);
}

void DesignerWindow::alignSelection(DesignerEdits::AlignTo to)
{
    TemplateDesign d = m_doc->design();
    DesignerEdits::align(&d, DesignerEdits::indexesOf(d, m_doc->selection()), to);
    m_doc->change(d, QStringLiteral("对齐"), m_doc->selection());
}

void DesignerWindow::distributeSelection(Qt::Orientation orientation)
{
    TemplateDesign d = m_doc->design();
    DesignerEdits::distribute(&d, DesignerEdits::indexesOf(d, m_doc->selection()), orientation);
    m_doc->change(d, QStringLiteral("等距分布"), m_doc->selection());
}

void DesignerWindow::preview()
{
    // The single print's rows: the main window's current sender and recipient.
    TemplateReport report(m_doc->design(), layouts::Variant::Single);
    report.bind(m_sources.senders, m_sources.recipients);
    ReportPreview::exec(report.report(), this, m_sources.database());
}
