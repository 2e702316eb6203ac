#include "data/SqliteStatement.h"

#include "data/Database.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>

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
    return Database::describeFailure(sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

bool SqliteStatement::bind(const QVector<QVariant>& values, bool inPlace)
{
    if (!m_st)
        return false;
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values.at(i);
        int rc;
        if (v.isNull()) {
            rc = sqlite3_bind_null(m_st, i + 1);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                   v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::Bool) {
            rc = sqlite3_bind_int64(m_st, i + 1, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(m_st, i + 1, v.toDouble());
        } else if (v.typeId() == QMetaType::QByteArray) {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob(m_st, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        } else if (inPlace && v.typeId() == QMetaType::QString) {
            // The variant shares the string's data: bound without a copy.
            const QString* t = static_cast<const QString*>(v.constData());
            rc = sqlite3_bind_text16(m_st, i + 1,
                                     t->isNull() ? reinterpret_cast<const ushort*>(u"") : t->utf16(),
                                     int(t->size() * sizeof(QChar)), SQLITE_STATIC);
        } else {
            const QString t = v.toString();
            rc = sqlite3_bind_text16(m_st, i + 1, t.utf16(), int(t.size() * sizeof(QChar)), SQLITE_TRANSIENT);
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

bool SqliteStatement::readCountAndIds(qint64* count, QVector<qint64>* ids, QString* error)
{
    const int rc = m_st ? sqlite3_step(m_st) : SQLITE_ERROR;
    if (rc != SQLITE_ROW) {
        if (error)
            *error = this->error();
        return false;
    }
    *count = sqlite3_column_int64(m_st, 0);
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_st, 1));
    const char* end = p + sqlite3_column_bytes(m_st, 1);
    if (p)
        ids->reserve(std::count(p, end, ',') + 1);
    while (p && p < end) {
        char* next = nullptr;
        ids->append(std::strtoll(p, &next, 10));
        p = next + 1; // past the comma
    }
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
