#include "app/RecordEditor.h"

#include "data/recognition/AddressParser.h"
#include "data/records/DataSet.h"
#include "data/records/RecipientAdder.h"
#include "gui/widgets/Dialogs.h"
#include "gui/widgets/RecipientPasteDialog.h"
#include "gui/widgets/RecordGrid.h"
#include "report/FontSetup.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

QString selectionHint()
{
    return QStringLiteral("请单击左边的序号选中一条记录或拖选一段记录，\r\n"
                          "也可以用Ctrl及Shift来进行多选，然后再删除记录。");
}

// What a box holds, as a text: an empty box stores an empty text, never NULL
// (a null QString would be bound as NULL).
QString boxText(const QLineEdit* box)
{
    const QString t = box->text();
    return t.isNull() ? QStringLiteral("") : t;
}

} // namespace

// The main window's two editors: boxes in tab order (rows left to right), the buttons
// from top to bottom.
RecordEditor::Layout RecordEditor::senderLayout()
{
    RecordEditor::Layout s;
    s.boxes = {
        {QStringLiteral("Edit1"), QStringLiteral("姓名："), QStringLiteral("姓名"), 88, 16, 153},
        {QStringLiteral("Edit4"), QStringLiteral("城市："), QStringLiteral("城市"), 328, 16, 153},
        {QStringLiteral("Edit7"), QStringLiteral("邮编："), QStringLiteral("邮编"), 568, 16, 153},
        {QStringLiteral("Edit5"), QStringLiteral("寄件单位："), QStringLiteral("寄件单位"), 88, 48, 633},
        {QStringLiteral("Edit6"), QStringLiteral("地址："), QStringLiteral("地址"), 88, 80, 633},
        {QStringLiteral("Edit2"), QStringLiteral("手机："), QStringLiteral("手机"), 88, 112, 153},
        {QStringLiteral("Edit3"), QStringLiteral("电话："), QStringLiteral("电话"), 328, 112, 153},
        {QStringLiteral("Edit8"), QStringLiteral("签名："), QStringLiteral("签名"), 568, 112, 153},
        {QStringLiteral("Edit9"), QStringLiteral("备注："), QStringLiteral("备注"), 88, 144, 633}};
    s.buttons = {{QStringLiteral("Button1"), QStringLiteral("添加")},
                 {QStringLiteral("Button2"), QStringLiteral("修改")},
                 {QStringLiteral("Button8"), QStringLiteral("删除")},
                 {QStringLiteral("Button9"), QStringLiteral("关闭")}};
    s.note = {QStringLiteral("任选一条记录（除第一"), QStringLiteral("条记录外）只能单张打印"),
              QStringLiteral("各种快递单模板。"), QStringLiteral("批量打印各种快递单模"),
              QStringLiteral("板只针对第一条记录。")};
    s.emptyMessage = QStringLiteral("寄件信息不能为空！");
    return s;
}

RecordEditor::Layout RecordEditor::recipientLayout()
{
    RecordEditor::Layout s;
    s.boxes = {
        {QStringLiteral("Edit10"), QStringLiteral("姓名："), QStringLiteral("姓名"), 88, 16, 153},
        {QStringLiteral("Edit13"), QStringLiteral("城市："), QStringLiteral("城市"), 328, 16, 153},
        {QStringLiteral("Edit16"), QStringLiteral("邮编："), QStringLiteral("邮编"), 568, 16, 153},
        {QStringLiteral("Edit14"), QStringLiteral("收件单位："), QStringLiteral("收件单位"), 88, 48, 633},
        {QStringLiteral("Edit15"), QStringLiteral("地址："), QStringLiteral("地址"), 88, 80, 633},
        {QStringLiteral("Edit11"), QStringLiteral("手机："), QStringLiteral("手机"), 88, 112, 153},
        {QStringLiteral("Edit12"), QStringLiteral("电话："), QStringLiteral("电话"), 328, 112, 153},
        {QStringLiteral("Edit21"), QStringLiteral("内件品名："), QStringLiteral("内件品名"), 568, 112, 153},
        {QStringLiteral("Edit22"), QStringLiteral("数量："), QStringLiteral("数量"), 88, 144, 153},
        {QStringLiteral("Edit24"), QStringLiteral("备注："), QStringLiteral("备注"), 328, 144, 393}};
    s.buttons = {{QStringLiteral("Button3"), QStringLiteral("添加")},
                 {QStringLiteral("Button4"), QStringLiteral("修改")},
                 {QStringLiteral("Button5"), QStringLiteral("删除")},
                 {QStringLiteral("Button6"), QStringLiteral("刷新")}};
    s.note = {QStringLiteral("先录入收件信息，后打"), QStringLiteral("印。在单张打印或批量打"),
              QStringLiteral("印模板预览中可以通过输"), QStringLiteral("入正负数字调整字段左右"),
              QStringLiteral("移动、上下移动位置。")};
    s.emptyMessage = QStringLiteral("收件信息不能为空！");
    s.recipient = true;
    s.recognise = true;
    return s;
}

RecordEditor::RecordEditor(const Layout& layout, QWidget* frame)
    : QObject(frame), m_layout(layout), m_frame(frame)
{
    QList<QWidget*> tabOrder;
    for (const Box& b : layout.boxes) {
        auto* l = new QLabel(b.label, frame);
        l->setFont(FontSetup::interfaceFont(14));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setGeometry(b.left - 86, b.top, 84, 22);
        auto* e = new QLineEdit(frame);
        e->setObjectName(b.name);
        e->setFont(FontSetup::interfaceFont(14));
        e->setGeometry(b.left, b.top, b.width, 22);
        l->setBuddy(e);
        // Only what the user typed counts as a change; setText() does not
        // emit textEdited, so loading a row leaves the flag clear.
        connect(e, &QLineEdit::textEdited, this, [this, e] {
            m_changed.insert(e);
            markUnsure(e, false);
        });
        m_boxes.append({e, b.column});
        tabOrder << e;
    }
    int top = 14;
    for (const Button& b : layout.buttons) {
        auto* button = new QPushButton(b.text, frame);
        button->setObjectName(b.name);
        button->setFont(FontSetup::interfaceFont(14));
        button->setGeometry(740, top, 75, 26);
        top += 40;
        m_buttons << button;
        tabOrder << button;
    }
    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    if (QPushButton* change = button(1))
        change->setEnabled(false);

    auto* note = new QGroupBox(QStringLiteral(" 说明 "), frame);
    note->setFont(FontSetup::interfaceFont(12));
    // "智能识别" takes the note's lower part, level with the fourth button.
    note->setGeometry(830, 6, 170, layout.recognise ? 122 : 164);
    if (layout.recognise) {
        m_recognise = new QPushButton(QStringLiteral("智能识别"), frame);
        m_recognise->setObjectName(QStringLiteral("ButtonRecognise"));
        m_recognise->setFont(FontSetup::interfaceFont(14));
        m_recognise->setToolTip(QStringLiteral("粘贴一段文字，自动填写姓名、电话、地址等"));
        // "导入订单…" shares the row: both take a list of recipients in.
        m_recognise->setGeometry(830, 134, 84, 26);
        QWidget::setTabOrder(m_buttons.last(), m_recognise);
        m_importOrders = new QPushButton(QStringLiteral("导入订单…"), frame);
        m_importOrders->setObjectName(QStringLiteral("ButtonImportOrders"));
        m_importOrders->setFont(FontSetup::interfaceFont(14));
        m_importOrders->setToolTip(
            QStringLiteral("从淘宝/天猫、拼多多、抖店、京东、微信小店导出的订单表导入收件人"));
        m_importOrders->setGeometry(916, 134, 84, 26);
        QWidget::setTabOrder(m_recognise, m_importOrders);
    }
    auto* noteText = new QLabel(layout.note.join(QLatin1Char('\n')), note);
    noteText->setFont(FontSetup::interfaceFont(13));
    noteText->setGeometry(10, 24, 156, 130);
    noteText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void RecordEditor::setList(DataSet* set, RecordGrid* grid)
{
    m_set = set;
    m_grid = grid;
}

QLineEdit* RecordEditor::box(const QString& name) const
{
    for (const auto& b : m_boxes)
        if (b.first->objectName() == name)
            return b.first;
    return nullptr;
}

QWidget* RecordEditor::owner() const
{
    return m_frame->window();
}

void RecordEditor::setBoxText(QLineEdit* box, const QString& text)
{
    box->setText(text);
    box->setCursorPosition(0);
    m_changed.remove(box);
    markUnsure(box, false);
}

void RecordEditor::markUnsure(QLineEdit* box, bool unsure)
{
    if (box->property("unsure").toBool() == unsure)
        return;
    box->setProperty("unsure", unsure);
    box->setStyleSheet(
        unsure
            ? QStringLiteral("QLineEdit { background: %1; }").arg(RecipientPasteDialog::unsureColor().name())
            : QString());
    box->setToolTip(unsure ? RecipientPasteDialog::unsureHint() : QString());
}

bool RecordEditor::isMarkedUnsure(const QLineEdit* box)
{
    return box->property("unsure").toBool();
}

void RecordEditor::clearBoxes()
{
    for (const auto& b : std::as_const(m_boxes))
        setBoxText(b.first, QString());
}

void RecordEditor::setChanging(bool changing)
{
    button(0)->setEnabled(!changing);
    button(1)->setEnabled(changing);
}

void RecordEditor::loadRow()
{
    setChanging(true);
    const bool has = m_set->isOpen() && m_set->currentRow() >= 0;
    // A change always goes to this row, wherever the grid stands by then.
    m_loadedId = has ? m_set->currentRowId() : -1;
    m_seen.clear();
    for (const auto& b : std::as_const(m_boxes)) {
        const QString text = has ? m_set->value(b.second) : QString();
        m_seen.insert(b.second, text);
        setBoxText(b.first, text);
    }
}

void RecordEditor::changeRow()
{
    const int row = m_loadedId >= 0 ? m_set->rowOfId(m_loadedId) : -1;
    if (row < 0 || !m_set->rowExists(m_loadedId)) {
        Dialogs::message(owner(), QStringLiteral("当前修改记录为空！"));
    } else {
        m_set->moveTo(row);
        QString why;
        bool ok = m_set->edit();
        for (const auto& b : std::as_const(m_boxes))
            if (ok && m_changed.contains(b.first))
                ok = m_set->setValue(b.second, boxText(b.first), m_seen.value(b.second));
        ok = ok && m_set->post(&why);
        if (!ok) {
            // Keep the boxes so that nothing typed is lost.
            m_set->cancel();
            Dialogs::error(owner(), why.isEmpty() ? QStringLiteral("无法修改记录。") : why);
            return;
        }
        Dialogs::message(owner(), QStringLiteral("修改记录成功！"));
    }
    m_loadedId = -1;
    setChanging(false);
    clearBoxes();
}

void RecordEditor::addRow(int intoRow)
{
    const bool allEmpty =
        std::all_of(m_boxes.begin(), m_boxes.end(), [](const auto& b) { return b.first->text().isEmpty(); });
    if (allEmpty) {
        Dialogs::message(owner(), m_layout.emptyMessage);
        return;
    }
    QString why;
    bool ok = intoRow >= 0 ? m_set->moveTo(intoRow) && m_set->edit() : m_set->append();
    for (const auto& b : std::as_const(m_boxes))
        ok = ok && m_set->setValue(b.second, boxText(b.first));
    if (m_layout.recipient)
        ok = ok && m_set->setValue(QStringLiteral("快递单号"), QStringLiteral(""));
    ok = ok && m_set->post(&why);
    if (!ok) {
        m_set->cancel();
        Dialogs::error(owner(), why.isEmpty() ? QStringLiteral("无法添加记录：数据没有打开。") : why);
        return;
    }
    clearBoxes();
}

QString RecordEditor::deleteQuestion(const QList<int>& rows) const
{
    // The first two names, so that a wrong selection shows before it is gone.
    constexpr int kNamed = 2;
    const int column = m_set->fieldIndex(QStringLiteral("姓名"));
    QStringList names;
    for (int row : rows) {
        const QString name = m_set->value(row, column).trimmed();
        if (!name.isEmpty() && names.size() < kNamed)
            names << name;
    }
    QString named;
    if (!names.isEmpty())
        named = QStringLiteral("：%1%2").arg(names.join(QStringLiteral("、")),
                                             rows.size() > names.size() ? QStringLiteral(" 等") : QString());
    // The question as it always read, then which records it means.
    return QStringLiteral("确定要删除选中的记录？\n\n共 %1 条%2记录%3。")
        .arg(rows.size())
        .arg(m_layout.recipient ? QStringLiteral("收件人") : QStringLiteral("寄件人"), named);
}

void RecordEditor::deleteRows()
{
    const QList<int> rows = m_grid->selectedRowList();
    if (rows.isEmpty()) {
        Dialogs::message(owner(), selectionHint(), QMessageBox::Information);
        return;
    }
    if (Dialogs::message(owner(), deleteQuestion(rows), QMessageBox::Warning,
                         QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    if (m_set->recordCount() <= 0)
        return;
    QString why;
    m_grid->setUpdatesEnabled(false);
    const bool ok = m_set->deleteRows(rows, &why);
    m_grid->clearSelection();
    m_grid->setUpdatesEnabled(true);
    if (!ok)
        Dialogs::error(owner(), why);
}

void RecordEditor::recognise(const AddressParser& parser)
{
    RecipientPasteDialog dialog(parser, owner());
    if (Dialogs::exec(&dialog) == QDialog::Accepted)
        takeRecognised(dialog.recipients());
}

void RecordEditor::takeRecognised(const QList<ParsedRecipient>& list)
{
    if (list.size() == 1) {
        // As if typed: "修改" takes them too. Boxes the text has no field
        // for (内件品名, 数量) keep what the user entered.
        const ParsedRecipient& r = list.first();
        for (const auto& b : std::as_const(m_boxes)) {
            if (!ParsedRecipient::keys().contains(b.second))
                continue;
            setBoxText(b.first, r.value(b.second));
            m_changed.insert(b.first);
            markUnsure(b.first, r.isUnsure(b.second));
        }
        return;
    }
    if (list.isEmpty())
        return;
    QString why;
    if (!RecipientAdder::addAll(*m_set, list, &why))
        Dialogs::error(owner(), why);
}
