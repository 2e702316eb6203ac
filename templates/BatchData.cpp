#include "templates/BatchData.h"

#include "data/records/DataSet.h"
#include "data/store/Schema.h"
#include "data/store/ServerAddress.h"

#include <QDir>
#include <QFileInfo>

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

void BatchData::close()
{
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
               m_recipients->open(m_recipientTable, m_selection.whereClause(m_connection),
                                  m_selection.binds(), &why) &&
               m_senders->open(Schema::kSenderTable, {}, {}, &why)) {
        if (m_senderRow < 0)
            return true;
        if (m_senders->moveTo(m_senders->rowOfId(m_senderRow)))
            return true;
        why = QStringLiteral("当时打印的寄件人记录已被删除。");
    }
    close();
    if (error)
        *error = why.isEmpty() ? QStringLiteral("无法打开数据库文件 %1。").arg(path) : why;
    return false;
}
