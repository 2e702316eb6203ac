#pragma once

// Prints a template of an address book to PDF and reads back where its
// words landed (pdftotext -bbox), for the tests of the shop's own templates.

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "report/ReportPdfWriter.h"
#include "templates/TemplateReport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QVector>

#include <memory>

namespace TemplatePrint {

struct Word
{
    QString text;
    double x = 0; // points
    double y = 0;
    int page = 0;
};

inline QVector<Word> words(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    QVector<Word> out;
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
    int page = -1;
    for (auto it = tag.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page")))
            ++page;
        else
            out.append({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble(), page});
    }
    return out;
}

// The same words at the same places within tolerance points; the first
// difference in *why.
inline bool sameWords(const QVector<Word>& a, const QVector<Word>& b, double tolerance, QString* why)
{
    if (a.size() != b.size()) {
        *why = QStringLiteral("%1 words against %2").arg(a.size()).arg(b.size());
        return false;
    }
    for (int i = 0; i < a.size(); ++i) {
        const Word& u = a.at(i);
        const Word& v = b.at(i);
        if (u.text != v.text || u.page != v.page || qAbs(u.x - v.x) > tolerance ||
            qAbs(u.y - v.y) > tolerance) {
            *why = QStringLiteral("word %1: \"%2\" at %3,%4 p%5 against \"%6\" at %7,%8 p%9")
                       .arg(i)
                       .arg(u.text)
                       .arg(u.x)
                       .arg(u.y)
                       .arg(u.page)
                       .arg(v.text)
                       .arg(v.x)
                       .arg(v.y)
                       .arg(v.page);
            return false;
        }
    }
    return true;
}

// Prints code in variant with the address book's records and saved
// adjustments into pdf.
inline bool print(Database& db, const QString& code, const QString& variant, const QString& pdf,
                  QString* error)
{
    std::unique_ptr<TemplateReport> tpl(TemplateReport::create(db, code, variant, error));
    if (!tpl || !tpl->loadAdjustment(db, error))
        return false;
    DataSet senders, recipients;
    senders.setDatabase(&db);
    recipients.setDatabase(&db);
    senders.open(QStringLiteral("outr"));
    recipients.open(tpl->recipientTable());
    tpl->bind(&senders, &recipients);
    return ReportPdfWriter::write(tpl->report(), pdf, error);
}

// Senders and recipients with every column a template may print.
inline bool fill(Database& db, QString* error)
{
    const QString sender = QStringLiteral(
        "INSERT INTO outr (姓名, 手机, 电话, 城市, 寄件单位, 地址, 邮编, 签名, 备注, 年, 月, 日) "
        "VALUES ('寄件乙', '13800000001', '010-66668888', '北京', '乙商贸公司', "
        "'北京市朝阳区建国路88号院3号楼B座2201室', '100022', '乙', '易碎', '2026', '12', '10')");
    if (!db.exec(sender, {}, error))
        return false;
    for (const QString& table : {QStringLiteral("inr"), QStringLiteral("excel")}) {
        for (int i = 1; i <= 3; ++i) {
            if (!db.exec(QStringLiteral(
                             "INSERT INTO %1 (姓名, 城市, 邮编, 收件单位, 地址, 手机, 电话, 内件品名, 数量, "
                             "备注, 快递单号) VALUES (?, '上海', '200120', '甲科技有限公司', ?, ?, "
                             "'021-5555000', '文件资料', '2', '请当面签收', ?)")
                             .arg(table),
                         {QStringLiteral("收件甲%1").arg(i),
                          QStringLiteral("上海市浦东新区世纪大道%1号金融中心大厦%2层东侧前台收")
                              .arg(100 + i)
                              .arg(i),
                          QStringLiteral("1390000000%1").arg(i), QStringLiteral("SF12345678901%1").arg(i)},
                         error))
                return false;
        }
    }
    return true;
}

} // namespace TemplatePrint
