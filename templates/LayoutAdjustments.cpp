#include "templates/LayoutAdjustments.h"

#include "data/store/Database.h"
#include "data/store/TableRegistry.h"
#include "data/store/Transaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

const QString LayoutAdjustments::kTemplateTable = QStringLiteral("layout_template");
const QString LayoutAdjustments::kItemTable = QStringLiteral("layout_item");

namespace {
const TableRegistration kTemplateTableSpec{
    {LayoutAdjustments::kTemplateTable, QStringLiteral("code"), false, &LayoutAdjustments::ensureTables}};
const TableRegistration kItemTableSpec{
    {LayoutAdjustments::kItemTable, QStringLiteral("code"), false, &LayoutAdjustments::ensureTables}};
} // namespace

namespace {

QString readError(Database& db, const QSqlQuery& q)
{
    return QStringLiteral("无法读取模板调整：%1").arg(db.failure(q.lastError()));
}

} // namespace

bool LayoutAdjustments::ensureTables(Database& db, QString* error)
{
    if (db.hasTable(kTemplateTable) && db.hasTable(kItemTable))
        return ensureWordWrapColumn(db, error);
    return db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS layout_template ("
                                  "code TEXT PRIMARY KEY, dx INTEGER NOT NULL DEFAULT 0, "
                                  "dy INTEGER NOT NULL DEFAULT 0, scale_x %1 NOT NULL DEFAULT 100, "
                                  "scale_y %1 NOT NULL DEFAULT 100, picture %2, "
                                  "word_wrap INTEGER NOT NULL DEFAULT 0)")
                       .arg(db.type(Database::Type::Real), db.type(Database::Type::Blob)),
                   {}, error) &&
           db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS layout_item ("
                                  "code TEXT NOT NULL, variant TEXT NOT NULL, item TEXT NOT NULL, "
                                  "dx INTEGER NOT NULL DEFAULT 0, dy INTEGER NOT NULL DEFAULT 0, "
                                  "hidden INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (code, variant, item))"),
                   {}, error) &&
           ensureWordWrapColumn(db, error);
}

bool LayoutAdjustments::ensureWordWrapColumn(Database& db, QString* error)
{
    // Address books from before the word rule have the table without it.
    QStringList columns;
    if (!db.columns(kTemplateTable, &columns, error))
        return false;
    if (columns.contains(QStringLiteral("word_wrap")))
        return true;
    return db.exec(
        QStringLiteral("ALTER TABLE layout_template ADD COLUMN word_wrap INTEGER NOT NULL DEFAULT 0"), {},
        error);
}

TemplateAdjustment LayoutAdjustments::load(Database& db, const QString& code, QString* error)
{
    TemplateAdjustment a;
    if (!db.isOpen())
        return a;
    if (db.hasTable(kTemplateTable)) {
        QStringList columns;
        db.columns(kTemplateTable, &columns, nullptr);
        // An older address book, not written to since, has no word_wrap.
        const QString wordWrap =
            columns.contains(QStringLiteral("word_wrap")) ? QStringLiteral("word_wrap") : QStringLiteral("0");
        QSqlQuery q(db.db());
        q.prepare(
            QStringLiteral("SELECT dx, dy, scale_x, scale_y, picture, %1 FROM layout_template WHERE code = ?")
                .arg(wordWrap));
        q.addBindValue(code);
        if (!q.exec()) {
            if (error)
                *error = readError(db, q);
        } else if (q.next()) {
            a.dx = q.value(0).toInt();
            a.dy = q.value(1).toInt();
            a.scaleX = q.value(2).toDouble();
            a.scaleY = q.value(3).toDouble();
            a.picture = q.value(4).toByteArray();
            a.wordWrap = q.value(5).toInt() != 0;
        }
    }
    if (db.hasTable(kItemTable)) {
        QSqlQuery q(db.db());
        q.prepare(QStringLiteral("SELECT variant, item, dx, dy, hidden FROM layout_item WHERE code = ?"));
        q.addBindValue(code);
        if (!q.exec()) {
            if (error)
                *error = readError(db, q);
        }
        while (q.next()) {
            ItemAdjustment i;
            i.dx = q.value(2).toInt();
            i.dy = q.value(3).toInt();
            i.hidden = q.value(4).toInt() != 0;
            a.items.insert(TemplateAdjustment::itemKey(q.value(0).toString(), q.value(1).toString()), i);
        }
    }
    return a;
}

bool LayoutAdjustments::setCalibration(Database& db, const QString& code, int dx, int dy, double scaleX,
                                       double scaleY, QString* error)
{
    if (!ensureTables(db, error))
        return false;
    return db.exec(QStringLiteral("INSERT INTO layout_template (code, dx, dy, scale_x, scale_y) "
                                  "VALUES (?, ?, ?, ?, ?) ON CONFLICT(code) DO UPDATE SET "
                                  "dx = excluded.dx, dy = excluded.dy, scale_x = excluded.scale_x, "
                                  "scale_y = excluded.scale_y"),
                   {code, dx, dy, scaleX, scaleY}, error);
}

bool LayoutAdjustments::setPicture(Database& db, const QString& code, const QByteArray& picture,
                                   QString* error)
{
    if (!ensureTables(db, error))
        return false;
    // An empty picture is stored as NULL: the built-in one again.
    const QVariant blob = picture.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(picture);
    return db.exec(QStringLiteral("INSERT INTO layout_template (code, picture) VALUES (?, ?) "
                                  "ON CONFLICT(code) DO UPDATE SET picture = excluded.picture"),
                   {code, blob}, error);
}

bool LayoutAdjustments::setWordWrap(Database& db, const QString& code, bool on, QString* error)
{
    if (!ensureTables(db, error))
        return false;
    return db.exec(QStringLiteral("INSERT INTO layout_template (code, word_wrap) VALUES (?, ?) "
                                  "ON CONFLICT(code) DO UPDATE SET word_wrap = excluded.word_wrap"),
                   {code, on ? 1 : 0}, error);
}

bool LayoutAdjustments::setItem(Database& db, const QString& code, const QString& variant,
                                const QString& item, const ItemAdjustment& adjustment, QString* error)
{
    if (!ensureTables(db, error))
        return false;
    if (adjustment.isDefault())
        return db.exec(QStringLiteral("DELETE FROM layout_item WHERE code = ? AND variant = ? AND item = ?"),
                       {code, variant, item}, error);
    return db.exec(QStringLiteral("INSERT INTO layout_item (code, variant, item, dx, dy, hidden) "
                                  "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT(code, variant, item) DO UPDATE SET "
                                  "dx = excluded.dx, dy = excluded.dy, hidden = excluded.hidden"),
                   {code, variant, item, adjustment.dx, adjustment.dy, adjustment.hidden ? 1 : 0}, error);
}

bool LayoutAdjustments::reset(Database& db, const QString& code, const QString& variant, const QString& item,
                              QString* error)
{
    if (!ensureTables(db, error))
        return false;
    if (!item.isEmpty())
        return db.exec(QStringLiteral("DELETE FROM layout_item WHERE code = ? AND variant = ? AND item = ?"),
                       {code, variant, item}, error);
    if (!variant.isEmpty())
        return db.exec(QStringLiteral("DELETE FROM layout_item WHERE code = ? AND variant = ?"),
                       {code, variant}, error);
    Transaction tx(db.db());
    return db.exec(QStringLiteral("DELETE FROM layout_item WHERE code = ?"), {code}, error) &&
           db.exec(QStringLiteral("DELETE FROM layout_template WHERE code = ?"), {code}, error) &&
           tx.commit(error);
}

// ---------------------------------------------------------------- the kept state of a reset

const QString LayoutAdjustments::kKeptTable = QStringLiteral("layout_kept");

namespace {
const TableRegistration kKeptTableSpec{
    {LayoutAdjustments::kKeptTable, QStringLiteral("code"), false, &LayoutAdjustments::ensureKeptTable}};

// The items as one text, so the whole state is one row.
QString itemsText(const TemplateAdjustment& a)
{
    QJsonArray items;
    for (auto it = a.items.cbegin(); it != a.items.cend(); ++it) {
        const int slash = it.key().indexOf(u'/');
        items.append(QJsonObject{{QStringLiteral("variant"), it.key().left(slash)},
                                 {QStringLiteral("item"), it.key().mid(slash + 1)},
                                 {QStringLiteral("dx"), it->dx},
                                 {QStringLiteral("dy"), it->dy},
                                 {QStringLiteral("hidden"), it->hidden}});
    }
    return QString::fromUtf8(QJsonDocument(items).toJson(QJsonDocument::Compact));
}

QVariant pictureValue(const QByteArray& picture)
{
    return picture.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(picture);
}
} // namespace

bool LayoutAdjustments::ensureKeptTable(Database& db, QString* error)
{
    if (db.hasTable(kKeptTable))
        return true;
    return db.exec(
        QStringLiteral("CREATE TABLE IF NOT EXISTS layout_kept ("
                       "code TEXT PRIMARY KEY, dx INTEGER NOT NULL, dy INTEGER NOT NULL, "
                       "scale_x %1 NOT NULL, scale_y %1 NOT NULL, picture %2, items TEXT NOT NULL)")
            .arg(db.type(Database::Type::Real), db.type(Database::Type::Blob)),
        {}, error);
}

bool LayoutAdjustments::resetKeeping(Database& db, const QString& code, QString* error)
{
    if (!ensureTables(db, error) || !ensureKeptTable(db, error))
        return false;
    Transaction tx(db.db());
    QString why;
    const TemplateAdjustment a = load(db, code, &why);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    return db.exec(QStringLiteral("DELETE FROM layout_kept WHERE code = ?"), {code}, error) &&
           db.exec(QStringLiteral("INSERT INTO layout_kept (code, dx, dy, scale_x, scale_y, picture, items) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                   {code, a.dx, a.dy, a.scaleX, a.scaleY, pictureValue(a.picture), itemsText(a)}, error) &&
           db.exec(QStringLiteral("DELETE FROM layout_item WHERE code = ?"), {code}, error) &&
           db.exec(QStringLiteral("DELETE FROM layout_template WHERE code = ?"), {code}, error) &&
           // The wrapping rule is a choice, not fitting work: it stays.
           (!a.wordWrap || setWordWrap(db, code, true, error)) && tx.commit(error);
}

bool LayoutAdjustments::hasKept(Database& db, const QString& code)
{
    if (!db.isOpen() || !db.hasTable(kKeptTable))
        return false;
    QSqlQuery q(db.db());
    q.prepare(QStringLiteral("SELECT 1 FROM layout_kept WHERE code = ?"));
    q.addBindValue(code);
    return q.exec() && q.next();
}

bool LayoutAdjustments::restoreKept(Database& db, const QString& code, QString* error)
{
    if (!ensureTables(db, error) || !ensureKeptTable(db, error))
        return false;
    Transaction tx(db.db());
    QSqlQuery q(db.db());
    q.prepare(
        QStringLiteral("SELECT dx, dy, scale_x, scale_y, picture, items FROM layout_kept WHERE code = ?"));
    q.addBindValue(code);
    if (!q.exec()) {
        if (error)
            *error = readError(db, q);
        return false;
    }
    if (!q.next()) {
        if (error)
            *error = QStringLiteral("没有保留的模板调整可以找回。");
        return false;
    }
    const QVariantList calibration{code,       q.value(0), q.value(1),
                                   q.value(2), q.value(3), pictureValue(q.value(4).toByteArray())};
    const QJsonArray items = QJsonDocument::fromJson(q.value(5).toString().toUtf8()).array();
    q.finish();
    const bool wordWrap = load(db, code).wordWrap;
    if (!db.exec(QStringLiteral("DELETE FROM layout_item WHERE code = ?"), {code}, error) ||
        !db.exec(QStringLiteral("DELETE FROM layout_template WHERE code = ?"), {code}, error) ||
        !db.exec(QStringLiteral("INSERT INTO layout_template (code, dx, dy, scale_x, scale_y, picture) "
                                "VALUES (?, ?, ?, ?, ?, ?)"),
                 calibration, error) ||
        (wordWrap && !setWordWrap(db, code, true, error)))
        return false;
    for (const QJsonValue& v : items) {
        const QJsonObject o = v.toObject();
        ItemAdjustment i;
        i.dx = o.value(QStringLiteral("dx")).toInt();
        i.dy = o.value(QStringLiteral("dy")).toInt();
        i.hidden = o.value(QStringLiteral("hidden")).toBool();
        if (!setItem(db, code, o.value(QStringLiteral("variant")).toString(),
                     o.value(QStringLiteral("item")).toString(), i, error))
            return false;
    }
    return db.exec(QStringLiteral("DELETE FROM layout_kept WHERE code = ?"), {code}, error) &&
           tx.commit(error);
}

QString LayoutAdjustments::summary(const TemplateAdjustment& a)
{
    int moved = 0, hidden = 0;
    for (const ItemAdjustment& i : a.items) {
        moved += i.dx != 0 || i.dy != 0 ? 1 : 0;
        hidden += i.hidden ? 1 : 0;
    }
    QStringList parts;
    if (moved)
        parts << QStringLiteral("%1 个项目的位置").arg(moved);
    if (hidden)
        parts << QStringLiteral("%1 个隐藏的项目").arg(hidden);
    if (a.hasCalibration())
        parts << QStringLiteral("打印校准（偏移 %1, %2 mm，缩放 %3% × %4%）")
                     .arg(a.dx / 10.0)
                     .arg(a.dy / 10.0)
                     .arg(a.scaleX)
                     .arg(a.scaleY);
    if (!a.picture.isEmpty())
        parts << QStringLiteral("自己的背景图");
    return parts.join(QStringLiteral("、"));
}
