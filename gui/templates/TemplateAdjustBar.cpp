#include "gui/templates/TemplateAdjustBar.h"

#include "data/store/Database.h"
#include "gui/templates/CalibrationDialog.h"
#include "gui/templates/LayoutEditor.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "report/QRDBText.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateReport.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

TemplateAdjustBar::TemplateAdjustBar(QWidget* strip, TemplateReport* layout, LayoutEditor* editor,
                                     std::function<QString()> database, QWidget* window)
    : QObject(window), m_layout(layout), m_editor(editor), m_database(std::move(database)), m_window(window)
{
    buildButtons(strip);
    buildWrapChoice(strip);
}

void TemplateAdjustBar::buildButtons(QWidget* strip)
{
    // In the left half of the strip, clear of the shift boxes; the strip
    // is the window's own text, not print: the interface face.
    const QFont font = FontSetup::interfaceFont(12);
    int x = 4;
    auto button = [&](QAbstractButton* b, const char* name, const QString& text, int width) {
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setFont(font);
        b->setGeometry(x, 7, width, 20);
        b->setFocusPolicy(Qt::NoFocus);
        x += width + 4;
    };
    m_calibrate = new QPushButton(strip);
    button(m_calibrate, "CalibrateButton", QStringLiteral("校准…"), 52);
    m_picture = new QPushButton(strip);
    button(m_picture, "PictureButton", QStringLiteral("背景图…"), 60);
    m_hide = new QPushButton(strip);
    button(m_hide, "HideButton", QStringLiteral("隐藏"), 44);
    m_reset = new QToolButton(strip);
    button(m_reset, "ResetButton", QStringLiteral("恢复默认"), 72);
    m_reset->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_reset);
    menu->addAction(QStringLiteral("恢复所选项目"), m_editor, &LayoutEditor::resetSelected);
    menu->addAction(QStringLiteral("恢复默认背景图"), m_editor, &LayoutEditor::resetPicture);
    menu->addAction(QStringLiteral("恢复整个模板（位置、隐藏、校准、背景图）"), m_editor,
                    &LayoutEditor::resetTemplate);
    QAction* undo =
        menu->addAction(QStringLiteral("撤销恢复模板"), m_editor, &LayoutEditor::undoResetTemplate);
    undo->setObjectName(QStringLiteral("UndoResetAction"));
    connect(menu, &QMenu::aboutToShow, undo, [this, undo] { undo->setEnabled(m_editor->canUndoReset()); });
    m_reset->setMenu(menu);
    for (QPushButton* b : {m_calibrate, m_picture, m_hide}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    m_hide->setEnabled(false);
    connect(m_calibrate, &QPushButton::clicked, this, &TemplateAdjustBar::calibrate);
    connect(m_picture, &QPushButton::clicked, this, &TemplateAdjustBar::choosePicture);
    connect(m_hide, &QPushButton::clicked, this, &TemplateAdjustBar::toggleHidden);
    connect(m_editor, &LayoutEditor::selectionChanged, this, [this](TQRDBText* item) {
        m_hide->setEnabled(item != nullptr);
        m_hide->setText(item && !item->Enabled ? QStringLiteral("显示") : QStringLiteral("隐藏"));
    });
}

void TemplateAdjustBar::buildWrapChoice(QWidget* strip)
{
    m_wordWrap = new QCheckBox(QStringLiteral("按词换行"), strip);
    m_wordWrap->setObjectName(QStringLiteral("WordWrapBox"));
    m_wordWrap->setFont(FontSetup::interfaceFont(12));
    m_wordWrap->setFocusPolicy(Qt::NoFocus);
    m_wordWrap->setToolTip(
        QStringLiteral("勾选：长地址换行时不拆开门牌号、房号和英文单词，行首不放逗号、句号、右括号等标点，"
                       "需要时多占一行。\n不勾选：按运单原来的字节数换行（内置模板的默认）。\n"
                       "对本模板的单张、批量和 Excel 打印都有效。"));
    m_wordWrap->adjustSize();
    m_wordWrap->move(m_reset->geometry().right() + 8, 7);
    connect(m_wordWrap, &QCheckBox::toggled, this, &TemplateAdjustBar::setWordWrap);
    // Resetting the whole template forgets the choice too.
    connect(m_editor, &LayoutEditor::selectionChanged, this, [this] { showWrapChoice(); });
    showWrapChoice();
}

void TemplateAdjustBar::showWrapChoice()
{
    const QSignalBlocker quiet(m_wordWrap);
    m_wordWrap->setChecked(m_layout->wrapRule() == WrapRule::Words);
}

void TemplateAdjustBar::setWordWrap(bool on)
{
    Database db;
    QString error;
    if (!db.open(m_database(), &error, false) ||
        !LayoutAdjustments::setWordWrap(db, m_layout->code(), on, &error)) {
        Dialogs::error(m_window, QStringLiteral("无法保存换行方式：%1").arg(error));
        showWrapChoice();
        return;
    }
    m_layout->setWrapRule(on ? WrapRule::Words : WrapRule::Bytes);
    showWrapChoice();
}

void TemplateAdjustBar::calibrate()
{
    CalibrationDialog dialog(m_layout, m_window, m_database());
    if (Dialogs::exec(&dialog) != QDialog::Accepted)
        return;
    m_editor->setCalibration(dialog.dx(), dialog.dy(), dialog.scaleX(), dialog.scaleY());
}

void TemplateAdjustBar::choosePicture()
{
    const QString path =
        Dialogs::openFileName(m_window, QStringLiteral("选择运单图片"), QString(),
                              QStringLiteral("图片 (*.jpg *.jpeg *.png *.bmp *.tif *.tiff)"));
    if (!path.isEmpty())
        m_editor->setPicture(path);
}

void TemplateAdjustBar::toggleHidden()
{
    if (TQRDBText* item = m_editor->selected())
        m_editor->setHidden(item->Enabled);
}
