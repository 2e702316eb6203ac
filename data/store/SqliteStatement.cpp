#include "data/store/SqliteStatement.h"

#include "data/store/SqliteDialect.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    if (!db || sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_st, nullptr) != SQLITE_OK)
        m_st = nullptr;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_st);
}

QString SqliteStatement::error() const
{
    if (!m_db)
        return QStringLiteral("数据库没有连接");
    return SqliteDialect::describeFailure(sqlite3_extended_errcode(m_db),
                                          QString::fromUtf8(sqlite3_errmsg(m_db)));
}

bool SqliteStatement::bind(const QVector<QVariant>& values, bool inPlace, int first)
{
    if (!m_st)
        return false;
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values.at(i);
        const int at = first + i;
        int rc;
        if (v.isNull()) {
            rc = sqlite3_bind_null(m_st, at);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                   v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::Bool) {
            rc = sqlite3_bind_int64(m_st, at, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(m_st, at, v.toDouble());
        } else if (v.typeId() == QMetaType::QByteArray) {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob(m_st, at, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        } else if (inPlace && v.typeId() == QMetaType::QString) {
            // The variant shares the string's data: bound without a copy.
            const QString* t = static_cast<const QString*>(v.constData());
            rc =
                sqlite3_bind_text16(m_st, at, t->isNull() ? reinterpret_cast<const ushort*>(u"") : t->utf16(),
                                    int(t->size() * sizeof(QChar)), SQLITE_STATIC);
        } else {
            const QString t = v.toString();
            rc = sqlite3_bind_text16(m_st, at, t.utf16(), int(t.size() * sizeof(QChar)), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            return false;
    }
    return true;
}

bool SqliteStatement::readIds(QVector<qint64>* out, QString* error)
{
    if (!m_st) {
        if (error)
            *error = this->error();
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(m_st)) == SQLITE_ROW)
        out->append(sqlite3_column_int64(m_st, 0));
    if (rc != SQLITE_DONE) {
        if (error)
            *error = this->error();
        return false;
    }
    return true;
}

namespace {

constexpr char kKeysType[] = "waybill_keys";

// waybill_keys(sink, key): appends each key to the list bound as sink.
void keysStep(sqlite3_context*, int, sqlite3_value** argv)
{
    if (auto* keys = static_cast<QVector<qint64>*>(sqlite3_value_pointer(argv[0], kKeysType)))
        keys->append(sqlite3_value_int64(argv[1]));
}

void keysFinal(sqlite3_context* context)
{
    sqlite3_result_null(context);
}

} // namespace

bool SqliteStatement::addKeyCollector(sqlite3* db)
{
    // Only statements may call it, never a view or trigger a file brings.
    return db && sqlite3_create_function_v2(db, kKeysType, 2, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr,
                                            nullptr, keysStep, keysFinal, nullptr) == SQLITE_OK;
}

bool SqliteStatement::readCountAndKeys(qint64* count, QVector<qint64>* keys, QString* error)
{
    const int rc = m_st && sqlite3_bind_pointer(m_st, 1, keys, kKeysType, nullptr) == SQLITE_OK
                       ? sqlite3_step(m_st)
                       : SQLITE_ERROR;
    if (rc != SQLITE_ROW) {
        if (error)
            *error = this->error();
        return false;
    }
    *count = sqlite3_column_int64(m_st, 0);
    return true;
}

bool SqliteStatement::readRows(int n, const std::function<void(qint64, const QVector<QString>&)>& each,
                               QString* error)
{
    if (!m_st) {
        if (error)
            *error = this->error();
        return false;
    }
    QVector<QString> texts(n);
    int rc;
    while ((rc = sqlite3_step(m_st)) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c) {
            const void* text = sqlite3_column_text16(m_st, c + 1);
            texts[c] = text
                           ? QString(static_cast<const QChar*>(text), sqlite3_column_bytes16(m_st, c + 1) / 2)
                           : QString();
        }
        each(sqlite3_column_int64(m_st, 0), texts);
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = this->error();
        return false;
    }
    return true;
}

bool SqliteStatement::insertRows(sqlite3* db, const QString& sql, int columns, int count,
                                 const std::function<bool(int, QVector<QVariant>&)>& rowAt, QString* error)
{
    SqliteStatement st(db, sql);
    if (!st) {
        if (error)
            *error = st.error();
        return false;
    }
    QVector<QVariant> values(columns);
    for (int r = 0; r < count; ++r) {
        values.fill(QVariant());
        if (!rowAt(r, values)) {
            if (error)
                *error = QStringLiteral("已取消。");
            return false;
        }
        const int rc = st.bind(values, true) ? sqlite3_step(st.get()) : SQLITE_MISUSE;
        sqlite3_reset(st.get());
        if (rc != SQLITE_DONE) {
            if (error)
                *error = QStringLiteral("第 %1 条记录无法写入：%2").arg(r + 1).arg(st.error());
            return false;
        }
    }
    return true;
}
