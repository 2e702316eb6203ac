#pragma once

#include "data/tracking/PrintSelection.h"
#include "gui/templates/TemplateSources.h"
#include "templates/TemplateDesign.h"
#include "templates/layouts/Catalogue.h"

#include <QDialog>
#include <QFont>
#include <QRect>

#include <memory>

class BatchData;
class QCheckBox;
class LayoutEditor;
class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QToolButton;
class TQuickRep;
class TemplateAdjustBar;
class TemplatePrintListener;
class TemplateReport;

// The window of one template variant: the waybill page at true size over
// the scanned blank form, the items showing their column names, boxes to
// shift every item, and the menu to set the font and open the preview.
// The object name is the window's class name ("TStForm", "TPlstForm" ...).
// A window is made once and kept, so shifts and fonts last for the run.
class TemplateWindow : public QDialog
{
    Q_OBJECT
public:
    TemplateWindow(const layouts::Template& tmpl, layouts::Variant variant, const TemplateSources& sources,
                   QWidget* parent = nullptr);
    // One of the shop's own templates (object name "UserTemplateForm"),
    // the same window on its design: the picture behind the whole page.
    TemplateWindow(const TemplateDesign& design, layouts::Variant variant, const TemplateSources& sources,
                   QWidget* parent = nullptr);
    ~TemplateWindow() override;

    TemplateReport* layout() const { return m_layout; }
    TQuickRep* report() const;
    // The built-in template; null for the shop's own.
    const layouts::Template* builtIn() const { return m_builtIn; }
    QString code() const;
    // What "复制为自定义模板" hands on: the template as it prints here (a
    // built-in one with its saved calibration, item offsets and picture).
    TemplateDesign designForCopy() const;
    // Shows "复制为自定义模板" in the menu bar: only when something takes
    // copyAsUserTemplate (the designer).
    void setCopyActionVisible(bool visible);
    layouts::Variant variant() const { return m_variant; }
    bool isBatch() const;
    BatchData* batchData() const { return m_batch; }
    // Selecting, moving and hiding items, the form's picture, calibration.
    LayoutEditor* editor() const { return m_editor; }

    // Page and picture rectangles on screen, relative to QuickRep1.
    QSize pagePixels() const { return m_pagePx; }
    QRect pictureRect() const { return m_pictureRect; }
    QPixmap picture() const;

    // The font the font dialog opens with: the last one chosen here.
    QFont dialogFont() const { return m_dialogFont; }
    QColor dialogColor() const { return m_dialogColor; }

    // Binds the items to the rows they print now: the main and Excel
    // windows' current rows, or this window's own batch sets.
    void bindSources();
    // The lists a single print reads (a test or the program may change them).
    void setSources(const TemplateSources& sources);
    // Re-reads the batch tables from the address book of the sources
    // (batch windows); false with the reason when it cannot.
    bool loadBatchData(QString* error = nullptr);

    // Batch windows: which recipient rows the pages come from (all of them
    // unless told); the caption says when it is not all.
    void setSelection(const PrintSelection& selection);
    PrintSelection selection() const { return m_selection; }
    // Opens the preview of these rows (with the sender row printed then)
    // straight away, as the print history's reprint does; false with the
    // reason when the rows can't be read.
    bool reprint(const PrintSelection& rows, qint64 senderRow, QString* error);

signals:
    // "复制为自定义模板": a new template of the shop's own should start from
    // design (designForCopy()).
    void copyAsUserTemplate(const TemplateDesign& design);

public slots:
    void Button2Click();
    void Button3Click();
    void N1Click();
    void N2Click();
    void N3Click();
    // Batch windows: reconnects and re-reads the tables each time the window
    // becomes active; an address book that cannot be opened is reported and
    // leaves the sets closed.
    void FormActivate();

    // The saved adjustments of the template ("校准", "背景图", "隐藏",
    // "恢复默认"); each stores its change in the address book at once.
    void calibrate();
    void choosePicture();
    void toggleHidden();
    // "按词换行": the wrapping rule of the template's long values, stored
    // for the template at once (every variant's window prints with it).
    void setWordWrap(bool on);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    friend class TestTemplateWindow;
    friend class TestTemplateWindows;

    // Components, named as the window's code and tests know them.
    QWidget* Panel2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button3 = nullptr;
    QWidget* QuickRep1 = nullptr; // the page on screen
    QLabel* Image1 = nullptr;
    QWidget* ItemLayer = nullptr; // the items, drawn over the picture
    QMenuBar* MainMenu1 = nullptr;
    QAction* N1 = nullptr;         // 【打印预览】
    QAction* N3 = nullptr;         // 【设置字体】
    QAction* N2 = nullptr;         // 【关闭窗口】
    QAction* CopyAction = nullptr; // 【复制为自定义模板】
    QPushButton* CalibrateButton = nullptr;
    QPushButton* PictureButton = nullptr;
    QPushButton* HideButton = nullptr;
    QToolButton* ResetButton = nullptr;
    QCheckBox* WordWrapBox = nullptr;

    // The template's caption and which of its four windows this is.
    QString baseTitle() const;
    bool readShift(QLineEdit* edit, int* pixels);
    // False when the sender row that would print has no name and the user
    // chose not to go on.
    bool confirmSender();
    void build(const QString& className, const QString& caption, const QSizeF& pageMm, const QSizeF& bandMm,
               const QRectF& pictureMm);
    void buildStrip();
    void buildPage();
    void buildAdjustButtons();

    const layouts::Template* m_builtIn = nullptr;
    QString m_caption;
    TemplateSources m_sources;
    layouts::Variant m_variant;
    TemplateReport* m_layout = nullptr;
    BatchData* m_batch = nullptr;
    LayoutEditor* m_editor = nullptr;
    TemplateAdjustBar* m_adjust = nullptr;
    QFont m_dialogFont;
    QColor m_dialogColor = Qt::black; // window text
    QSize m_pagePx;
    QSize m_bandPx;
    QRect m_pictureRect;
    bool m_skipActivate = false;
    PrintSelection m_selection;
    std::unique_ptr<TemplatePrintListener> m_listener;
};
