#pragma once

#include "data/RowStore.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVector>

class Database;

// A static cursor over one table: the whole result is fetched when the set
// opens and is browsed, edited, appended to and deleted from row by row, as
// the windows of the program need it. Rows come in table order (rowid), so
// "the first sender row" never changes under the user. A post always writes
// the row that was loaded or edited, identified by its rowid.
class DataSet : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Inactive,
        Browse,
        Edit,
        Insert
    };

    explicit DataSet(QObject* parent = nullptr);
    ~DataSet() override;

    void setDatabase(Database* db) { m_db = db; }
    Database* database() const { return m_db; }

    // Opens "select * from <table> [where <where>]" with the given bound
    // parameters; the result is fetched whole. The set stands on its first row.
    bool open(const QString& table, const QString& where = {}, const QVariantList& binds = {},
              QString* error = nullptr);
    // Runs the same statement again and stands on the first row.
    bool reopen(QString* error = nullptr);
    void close();

    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    QString table() const { return m_table; }
    // The statement as the user would read it, e.g. "select * from inr".
    QString statement() const;
    // Whether the set shows part of its table (a search).
    bool isFiltered() const { return !m_where.isEmpty(); }
    // Rows of the whole table, whatever the set shows; -1 when unknown.
    int tableRowCount() const;

    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString& name) const { return m_fields.indexOf(name); }

    int recordCount() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    // 1-based number of the current row; -1 when empty, closed or appending.
    int recNo() const;
    // 0-based index of the current row; -1 when there is none.
    int currentRow() const { return m_current; }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }

    void first();
    void last();
    void next();
    void prior();
    bool moveTo(int row);

    // Text of a column in the current row (the edit buffer while editing or
    // appending). A missing column or no current row gives empty text.
    QString value(const QString& field) const;
    QString value(int row, int column) const;

    qint64 rowId(int row) const;
    qint64 currentRowId() const { return rowId(m_current); }
    int rowOfId(qint64 id) const;

    // Edit the current row; on an empty result this starts a new row instead.
    bool edit();
    bool append();
    bool setValue(const QString& field, const QString& text);
    // Stores the row being edited or appended. An edit of a row that is no
    // longer in the table fails and stores nothing.
    bool post(QString* error = nullptr);
    void cancel();

    bool deleteCurrent(QString* error = nullptr);
    // Deletes the given rows (0-based indexes) in one transaction.
    bool deleteRows(QList<int> rows, QString* error = nullptr);

    // Reads these rows (by rowid) afresh after another connection changed
    // them; rows not in the set are skipped.
    bool refreshRows(const QList<qint64>& rowIds, QString* error = nullptr);

    // Whether the table still holds a row with this rowid.
    bool rowExists(qint64 id) const;

signals:
    void aboutToReset();
    void reset();
    void currentChanged(int row);
    void rowInserted(int row);
    void rowChanged(int row);

private:
    bool fetch(QString* error);
    bool readRow(qint64 id, QVector<QString>* out, QString* error) const;
    void setCurrent(int row);

    Database* m_db = nullptr;
    QString m_table;
    QString m_where;
    QVariantList m_binds;
    State m_state = State::Inactive;
    QStringList m_fields;
    RowStore m_rows;
    QVector<qint64> m_ids;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    QVector<QString> m_buffer;
    QVector<bool> m_bufferSet;
};
