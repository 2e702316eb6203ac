#include "templates/UserTemplates.h"

#include "data/store/Database.h"
#include "data/store/TableRegistry.h"
#include "data/store/Transaction.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateFile.h"
#include "templates/layouts/Catalogue.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

const QString UserTemplates::kTable = QStringLiteral("user_template");

namespace {
const TableRegistration kUserTemplateTable{
    {UserTemplates::kTable, QStringLiteral("code"), false, &UserTemplates::ensureTable}};

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString readError(Database& db, const QSqlQuery& q)
{
    return QStringLiteral("无法读取自定义模板：%1").arg(db.failure(q.lastError()));
}

// The stored row as a design: the JSON as a template file has it, the
// picture beside it, the calibration from the adjustments.
bool fromRow(Database& db, const QSqlQuery& q, TemplateDesign* out, QString* error)
{
    TemplateDesign d;
    QString why;
    if (!TemplateFile::fromJson(q.value(2).toString().toUtf8(), &d, &why)) {
        setError(error, QStringLiteral("自定义模板“%1”已损坏：%2").arg(q.value(0).toString(), why));
        return false;
    }
    d.code = q.value(0).toString();
    d.caption = q.value(1).toString();
    d.picture = q.value(3).toByteArray();
    d.builtIn = false;
    const TemplateAdjustment a = LayoutAdjustments::load(db, d.code, &why);
    d.calibrationDx = a.dx;
    d.calibrationDy = a.dy;
    d.scaleX = a.scaleX;
    d.scaleY = a.scaleY;
    d.wordWrap = a.wordWrap;
    *out = d;
    return true;
}

} // namespace

bool UserTemplates::ensureTable(Database& db, QString* error)
{
    if (db.hasTable(kTable))
        return true;
    if (!db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS user_template ("
                                "code TEXT PRIMARY KEY, caption TEXT NOT NULL, design TEXT NOT NULL, "
                                "picture %1, made %2 NOT NULL DEFAULT 0)")
                     .arg(db.type(Database::Type::Blob), db.type(Database::Type::Real)),
                 {}, error))
        return false;
    // Other computers' windows hear of changes as they hear of the records'.
    if (db.isServer())
        return db.exec(QStringLiteral("CREATE TRIGGER user_template_changed AFTER INSERT OR UPDATE OR DELETE "
                                      "OR TRUNCATE ON user_template FOR EACH STATEMENT EXECUTE FUNCTION "
                                      "waybill_notify()"),
                       {}, error);
    return true;
}

bool UserTemplates::checkCode(const QString& code, QString* error)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,40}$"));
    if (!pattern.match(code).hasMatch()) {
        setError(error,
                 QStringLiteral("模板代码“%1”不可用：只能用 1 到 40 个英文字母、数字、“-”和“_”。").arg(code));
        return false;
    }
    if (layouts::findTemplate(code)) {
        setError(error, QStringLiteral("模板代码“%1”是内置模板的代码，请换一个。").arg(code));
        return false;
    }
    return true;
}

bool UserTemplates::list(Database& db, QVector<TemplateDesign>* out, QString* error)
{
    out->clear();
    if (!db.isOpen() || !db.hasTable(kTable))
        return true;
    QSqlQuery q(db.db());
    if (!q.exec(
            QStringLiteral("SELECT code, caption, design, picture FROM user_template ORDER BY made, code"))) {
        setError(error, readError(db, q));
        return false;
    }
    while (q.next()) {
        TemplateDesign d;
        if (!fromRow(db, q, &d, error))
            return false;
        out->append(d);
    }
    return true;
}

bool UserTemplates::load(Database& db, const QString& code, TemplateDesign* out, QString* error)
{
    if (db.isOpen() && db.hasTable(kTable)) {
        QSqlQuery q(db.db());
        q.prepare(QStringLiteral("SELECT code, caption, design, picture FROM user_template WHERE code = ?"));
        q.addBindValue(code);
        if (!q.exec()) {
            setError(error, readError(db, q));
            return false;
        }
        if (q.next())
            return fromRow(db, q, out, error);
    }
    setError(error, QStringLiteral("没有自定义模板“%1”。").arg(code));
    return false;
}

bool UserTemplates::save(Database& db, const TemplateDesign& design, QString* error)
{
    if (!checkCode(design.code, error))
        return false;
    QString why;
    if (!TemplateFile::check(design, &why)) {
        setError(error, QStringLiteral("模板“%1”无法保存：%2").arg(design.caption, why));
        return false;
    }
    const QString caption = design.caption.trimmed().isEmpty() ? design.code : design.caption.trimmed();
    if (!ensureTable(db, error) || !LayoutAdjustments::ensureTables(db, error))
        return false;
    Transaction t(db.db());
    TemplateDesign stored = design;
    stored.picture.clear();
    const QByteArray json = TemplateFile::toJson(stored, false);
    if (!db.exec(QStringLiteral("INSERT INTO user_template (code, caption, design, picture, made) "
                                "VALUES (?, ?, ?, ?, ?) ON CONFLICT(code) DO UPDATE SET "
                                "caption = excluded.caption, design = excluded.design, "
                                "picture = excluded.picture"),
                 {design.code, caption, QString::fromUtf8(json), QVariant(design.picture),
                  double(QDateTime::currentMSecsSinceEpoch())},
                 error))
        return false;
    if (!LayoutAdjustments::setCalibration(db, design.code, design.calibrationDx, design.calibrationDy,
                                           design.scaleX, design.scaleY, error) ||
        !LayoutAdjustments::setWordWrap(db, design.code, design.wordWrap, error))
        return false;
    return t.commit(error);
}

bool UserTemplates::remove(Database& db, const QString& code, QString* error)
{
    TemplateDesign d;
    if (!load(db, code, &d, error))
        return false;
    // The template first: adjustments left behind by a failure after it
    // are harmless, as a new template never gets the same code.
    return db.exec(QStringLiteral("DELETE FROM user_template WHERE code = ?"), {code}, error) &&
           LayoutAdjustments::reset(db, code, {}, {}, error);
}

QString UserTemplates::newCode(Database& db)
{
    // Time-based, so that two computers making one at once still differ.
    qint64 n = QDateTime::currentMSecsSinceEpoch();
    for (;; ++n) {
        const QString code = QStringLiteral("u-") + QString::number(n, 36);
        TemplateDesign d;
        if (!db.isOpen() || !db.hasTable(kTable) || !load(db, code, &d, nullptr))
            return code;
    }
}
