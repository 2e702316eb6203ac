#include "templates/BatchData.h"

#include "data/records/DataSet.h"
#include "data/store/Schema.h"
#include "data/store/ServerAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// A row with neither name nor address prints an empty form.
QString addressed()
{
    return QStringLiteral("(trim(coalesce(%1, '')) <> '' OR trim(coalesce(%2, '')) <> '')")
        .arg(Schema::quoted(QStringLiteral("姓名")), Schema::quoted(QStringLiteral("地址")));
}

QString both(const QString& a, const QString& b)
{
    return a.isEmpty() ? b : QStringLiteral("(%1) AND %2").arg(a, b);
}

} // namespace

BatchData::BatchData(const QString& recipientTable, QObject* parent)
    : QObject(parent), m_recipientTable(recipientTable)
{
    m_recipients = new DataSet(this);
    m_recipients->setObjectName(QStringLiteral("ADODataSet1"));
    m_recipients->setDatabase(&m_connection);
    m_senders = new DataSet(this);
    m_senders->setObjectName(QStringLiteral("ADODataSet2"));
    m_senders->setDatabase(&m_connection);
}

BatchData::~BatchData()
{
    close();
}

bool BatchData::countBlank(Database& db, const QString& table, const PrintSelection& selection, int* count,
                           QString* error)
{
    *count = 0;
    QSqlQuery q(db.db());
    const QString where = both(selection.whereClause(db), QStringLiteral("NOT ") + addressed());
    if (!q.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(Schema::quoted(table), where))) {
        if (error)
            *error = db.failure(q.lastError());
        return false;
    }
    for (const QVariant& v : selection.binds())
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        if (error)
            *error = db.failure(q.lastError());
        return false;
    }
    *count = q.value(0).toInt();
    return true;
}

QString BatchData::blankNote(int count)
{
    if (count <= 0)
        return {};
    return QStringLiteral("有 %1 条收件记录姓名和地址都为空，不打印。").arg(count);
}

void BatchData::close()
{
    m_blankCount = 0;
    m_recipients->close();
    m_senders->close();
    m_connection.close();
}

bool BatchData::reload(const QString& path, QString* error)
{
    close();
    QString why;
    if (!ServerAddress::isServer(path) && !QFileInfo(path).isFile()) {
        why = QStringLiteral("找不到数据库文件 %1。").arg(QDir::toNativeSeparators(path));
    } else if (m_connection.open(path, &why, false) &&
               m_recipients->open(m_recipientTable, both(m_selection.whereClause(m_connection), addressed()),
                                  m_selection.binds(), &why) &&
               countBlank(m_connection, m_recipientTable, m_selection, &m_blankCount, &why) &&
               m_senders->open(Schema::kSenderTable, {}, {}, &why)) {
        m_connection.sizeCacheForBatch();
        if (m_senderRow < 0)
            return true;
        if (m_senders->moveTo(m_senders->rowOfId(m_senderRow)))
            return true;
        why = QStringLiteral("当时打印的寄件人记录已被删除。");
    }
    close();
    if (error)
        *error =
            why.isEmpty()
                ? (ServerAddress::isServer(path)
                       ? QStringLiteral("无法连接数据库服务器 %1。").arg(ServerAddress::displayLocation(path))
                       : QStringLiteral("无法打开数据库文件 %1。").arg(path))
                : why;
    return false;
}
