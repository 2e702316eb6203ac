#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

class AddressParser;
class DataSet;
struct ParsedRecipient;
class QLineEdit;
class QPushButton;
class QWidget;
class RecordGrid;

// The editor of one panel of the main window (sender or recipient): its
// labelled boxes, its four buttons and the note beside them, and what the
// buttons do to the list the panel's grid shows: load the current row for
// change, change it, add a row, delete the selected rows.
class RecordEditor : public QObject
{
    Q_OBJECT
public:
    struct Box
    {
        QString name;   // object name ("Edit1" ...)
        QString label;  // "姓名：" ...
        QString column; // the column it shows and writes
        int left, top, width;
    };
    struct Button
    {
        QString name; // "Button1" ...
        QString text;
    };
    struct Layout
    {
        QVector<Box> boxes;      // in tab order
        QVector<Button> buttons; // add, change, delete, and the fourth
        QStringList note;        // lines of the " 说明 " box
        QString emptyMessage;    // when "添加" finds every box empty
        bool recipient = false;  // a recipient row gets an empty "快递单号"
        bool recognise = false;  // "智能识别" under the note
    };

    // The main window's sender and recipient editors.
    static Layout senderLayout();
    static Layout recipientLayout();

    // Builds the boxes, buttons and note on frame.
    RecordEditor(const Layout& layout, QWidget* frame);

    void setList(DataSet* set, RecordGrid* grid);

    QLineEdit* box(const QString& name) const;
    QPushButton* button(int index) const { return m_buttons.value(index); }
    QPushButton* recogniseButton() const { return m_recognise; }
    // "导入订单…" beside it.
    QPushButton* importOrdersButton() const { return m_importOrders; }
    // Whether the user typed into a box since the program last set it.
    bool isChanged(const QLineEdit* box) const { return m_changed.contains(box); }

    void loadRow();   // double click on the grid
    void changeRow(); // "修改"
    // "添加": a new row at the end, or the boxes written into row intoRow
    // (its other columns kept).
    void addRow(int intoRow = -1);
    void deleteRows(); // "删除"

    // "智能识别": the user pastes text, then checks the boxes and adds.
    void recognise(const AddressParser& parser);
    // One recipient fills the boxes (fields to check are marked); several,
    // reviewed already, are added to the list at once.
    void takeRecognised(const QList<ParsedRecipient>& list);
    // Whether a box holds a recognised value the user should check.
    static bool isMarkedUnsure(const QLineEdit* box);

private:
    // "确定要删除选中的记录？", then "共 3 条收件人记录：张三、李四 等。"
    QString deleteQuestion(const QList<int>& rows) const;
    void setBoxText(QLineEdit* box, const QString& text);
    static void markUnsure(QLineEdit* box, bool unsure);
    void clearBoxes();
    void setChanging(bool changing);
    QWidget* owner() const;

    Layout m_layout;
    QWidget* m_frame = nullptr;
    QVector<QPair<QLineEdit*, QString>> m_boxes; // box, column
    QVector<QPushButton*> m_buttons;
    QPushButton* m_recognise = nullptr;
    QPushButton* m_importOrders = nullptr;
    DataSet* m_set = nullptr;
    RecordGrid* m_grid = nullptr;
    qint64 m_loadedId = -1;
    QHash<QString, QString> m_seen; // the loaded row as the user saw it, by column
    QSet<const QLineEdit*> m_changed;
};
