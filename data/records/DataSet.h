#pragma once

#include "data/records/RowBlocks.h"
#include "data/records/RowKeys.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QVector>

class Database;
class RowChange;

// A cursor over one table, browsed, edited, appended to and deleted from row
// by row, as the windows of the program need it. Which rows belong to the
// set is settled when it opens: their count then, and their keys (RowKeys)
// all at once for a small set, a page at a time for a large one; the texts
// of the rows are read in blocks when they are first asked for, and only a
// few blocks are kept, so a list of a million recipients opens in
// milliseconds and costs little memory. Rows come in table order (rowid), so "the first
// sender row" never changes under the user. A post always writes the row
// that was loaded or edited, identified by its rowid.
//
// A search that reads every row opens with its first matches and goes on
// scanning in the event loop, in short steps, telling each step's rows
// (rowsAppended) until it is done (scanFinished). Only the grid and its
// count look at the rows known so far (knownCount()); every other reading
// (recordCount(), the rows past those known, a post of a new row, a
// delete) finishes the scan first, so it sees the whole result.
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

    void setDatabase(Database* db)
    {
        m_db = db;
        m_source.db = db;
    }
    Database* database() const { return m_db; }

    // Opens "select * from <table> [where <where>]" with the given bound
    // parameters. The set stands on its first row.
    bool open(const QString& table, const QString& where = {}, const QVariantList& binds = {},
              QString* error = nullptr);
    // The same for a where clause that reads every row anyway (a text
    // search): the table's row count comes from that same scan. A clause
    // that can look rows up by key is better given to open().
    bool openScan(const QString& table, const QString& where, const QVariantList& binds,
                  QString* error = nullptr);
    // What the set was opened with: the same rows opened on another
    // connection (a worker thread's own) with open(query()).
    struct Query
    {
        QString table;
        QString where;
        QVariantList binds;
        bool scan = false;
    };
    Query query() const { return {m_table, m_where, m_binds, m_scan}; }
    bool open(const Query& query, QString* error = nullptr)
    {
        return openAs(query.table, query.where, query.binds, query.scan, error);
    }
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

    int recordCount() const
    {
        complete();
        return m_keys.size();
    }
    bool isEmpty() const;
    // Whether a search is still scanning, and the rows it found so far
    // (all of them once it is done).
    bool isScanning() const { return m_keys.isScanning(); }
    int knownCount() const { return m_keys.isScanning() ? m_told : m_keys.size(); }
    // Why the last scan stopped short (the store failed under it); empty
    // when it found the whole result.
    QString scanError() const { return m_scanError; }
    // Finishes a scan going on, for a reading that needs every row.
    void complete() const
    {
        if (m_keys.isScanning())
            const_cast<DataSet*>(this)->scanOn(-1);
    }
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
    // The same, for a value the user changed from seen: the post then
    // refuses the row when it no longer holds seen (someone changed it
    // since the user loaded it), rather than what edit() found.
    bool setValue(const QString& field, const QString& text, const QString& seen);
    // Stores the row being edited or appended. An edit of a row that is no
    // longer in the table, or that another connection changed in a column
    // this edit writes since it was loaded, fails and stores nothing.
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

    static QString changedElsewhereMessage()
    {
        return QStringLiteral("该记录已被其他电脑修改，请刷新后再改");
    }

signals:
    void aboutToReset();
    void reset();
    void currentChanged(int row);
    void rowInserted(int row);
    void rowChanged(int row);
    // Rows first to last (0-based) were found by the scan going on.
    void rowsAppended(int first, int last);
    void scanFinished();

private:
    bool openAs(const QString& table, const QString& where, const QVariantList& binds, bool scan,
                QString* error);
    bool fetch(QString* error);
    // Scans on for about ms milliseconds (to the end when ms < 0) and
    // tells the rows found.
    void scanOn(int ms);

    // What the edit buffer writes, and writing it as a new row or over the
    // row that was loaded.
    RowChange bufferedChange() const;
    bool postInsert(const RowChange& change, QString* error);
    bool postEdit(const RowChange& change, QString* error);
    // The row key and the column list as they go into a statement.
    QString key() const;
    QString columnList() const;
    bool readRow(qint64 id, QVector<QString>* out, QString* error) const;
    QVector<QString> rowTexts(int row) const;
    void setCurrent(int row);

    Database* m_db = nullptr;
    QString m_table;
    QString m_where;
    QVariantList m_binds;
    bool m_scan = false; // opened by openScan()
    State m_state = State::Inactive;
    QStringList m_fields;
    RowKeys m_keys;     // the rows of the set, in order
    QTimer m_scanSteps; // the steps of a scan going on
    int m_told = 0;     // of its rows, those told (rowsAppended)
    QString m_scanError;
    QElapsedTimer m_sinceTold;
    mutable int m_tableRows = -1; // tableRowCount(), once counted
    QString m_countOf;            // m_columnsOf of the opening it was counted for
    QStringList m_columns;        // of m_columnsOf: "generation|connection|table"
    QString m_columnsOf;
    RowBlocks m_blocks;         // the rows as they are shown
    RowBlocks::Source m_source; // where they are read from
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    QVector<QString> m_buffer;
    QVector<QString> m_loaded; // the row as edit() found it
    QVector<bool> m_bufferSet;
};
