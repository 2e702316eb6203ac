#pragma once

#include "gui/templates/DesignerEdits.h"
#include "gui/templates/TemplateSources.h"
#include "templates/TemplateDesign.h"

#include <QMainWindow>
#include <QVector>

class DesignerDocument;
class DesignerProperties;
class DesignerRuler;
class DesignerScene;
class DesignerView;
class QAction;
class QLabel;

// "模板设计": the shop lays out a template of its own on a blank page or a
// copy of a built-in one, over a photo or scan of its form, and stores it
// in the address book. Every change is a step of the undo stack; closing
// with unsaved changes asks whether to save them.
class DesignerWindow : public QMainWindow
{
    Q_OBJECT
public:
    // sources: the address book the templates are stored in and the rows
    // the preview prints.
    explicit DesignerWindow(const TemplateSources& sources, QWidget* parent = nullptr);
    ~DesignerWindow() override;

    DesignerDocument* document() const { return m_doc; }
    DesignerScene* scene() const { return m_scene; }
    DesignerView* view() const { return m_view; }
    DesignerProperties* properties() const { return m_props; }
    QAction* action(const QString& objectName) const;

    // Starts on design (nothing to undo, nothing unsaved).
    void openDesign(const TemplateDesign& design);
    // A copy of a built-in template with its saved calibration and picture,
    // to be saved as one of the shop's own; false with the reason.
    bool openBuiltInCopy(const QString& code, QString* error);
    // One of the address book's templates; false with the reason.
    bool openSaved(const QString& code, QString* error);
    // "复制为自定义模板" of a template window: asks to save what is unsaved,
    // then starts on a copy of design, to be saved as the shop's own.
    bool startCopy(const TemplateDesign& design);
    // The address book the templates are stored in from now on.
    void setDatabasePath(const QString& path) { m_sources.databasePath = path; }

public slots:
    // "新建…": asks what to start from (after asking to save changes).
    bool newTemplate();
    // "保存": into the address book, asking for a name the first time.
    bool save();
    // "另存为…": under a new code and name.
    bool saveAs();
    // "背景图…" and "去掉背景图".
    bool choosePicture();
    bool setPicture(const QString& path);
    void clearPicture();
    void addItem(DesignItem::Kind kind);
    void copySelection();
    void paste();
    void deleteSelection();
    void selectAll();
    void alignSelection(DesignerEdits::AlignTo to);
    void distributeSelection(Qt::Orientation orientation);
    // "打印预览": the template with the main window's current rows.
    void preview();

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void buildActions();
    void buildMenus();
    void showTitle();
    void showStatus();
    // Asks to save unsaved changes: false when the user cancelled, or the
    // save failed.
    bool maybeSave();
    bool store(TemplateDesign design);
    // A template as the start of one of the shop's own: no code until saved.
    static TemplateDesign asCopy(TemplateDesign design);
    QAction* makeAction(const QString& name, const QString& text, const QKeySequence& key = {});

    TemplateSources m_sources;
    DesignerDocument* m_doc;
    DesignerScene* m_scene;
    DesignerView* m_view;
    DesignerRuler* m_hRuler;
    DesignerRuler* m_vRuler;
    DesignerProperties* m_props;
    QLabel* m_cursorLabel;
    QLabel* m_zoomLabel;
    int m_pastes = 0;
    bool m_fitPending = true; // the page fits the view once the view has its size
};
