#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

class DataSet;
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
    struct Spec
    {
        QVector<Box> boxes;      // in tab order
        QVector<Button> buttons; // add, change, delete, and the fourth
        QStringList note;        // lines of the " 说明 " box
        QString emptyMessage;    // when "添加" finds every box empty
        bool recipient = false;  // a recipient row gets an empty "快递单号"
    };

    // The main window's sender and recipient editors.
    static Spec senderSpec();
    static Spec recipientSpec();

    // Builds the boxes, buttons and note on frame.
    RecordEditor(const Spec& spec, QWidget* frame);

    void setList(DataSet* set, RecordGrid* grid);

    QLineEdit* box(const QString& name) const;
    QPushButton* button(int index) const { return m_buttons.value(index); }
    // Whether the user typed into a box since the program last set it.
    bool isChanged(const QLineEdit* box) const { return m_changed.contains(box); }

    void loadRow();    // double click on the grid
    void changeRow();  // "修改"
    void addRow();     // "添加"
    void deleteRows(); // "删除"

private:
    void setBoxText(QLineEdit* box, const QString& text);
    void clearBoxes();
    void setChanging(bool changing);
    QWidget* owner() const;

    Spec m_spec;
    QWidget* m_frame = nullptr;
    QVector<QPair<QLineEdit*, QString>> m_boxes; // box, column
    QVector<QPushButton*> m_buttons;
    DataSet* m_set = nullptr;
    RecordGrid* m_grid = nullptr;
    qint64 m_loadedId = -1;
    QSet<const QLineEdit*> m_changed;
};
