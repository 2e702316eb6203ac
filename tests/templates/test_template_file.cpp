#include "templates/LabelTemplates.h"
#include "templates/TemplateFile.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

// Template files from elsewhere: a sound one reads back as it was written,
// anything else is refused whole with the field named.
class TestTemplateFile : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void hostileFiles_data();
    void hostileFiles();
};

namespace {

QByteArray png(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TemplateDesign sample()
{
    TemplateDesign d = LabelTemplates::all().at(1);
    d.picture = png(40, 60);
    return d;
}

// The sample's file with one change made to its JSON.
QByteArray changed(const std::function<void(QJsonObject&)>& change)
{
    QJsonObject root = QJsonDocument::fromJson(TemplateFile::toJson(sample())).object();
    change(root);
    return QJsonDocument(root).toJson();
}

std::function<void(QJsonObject&)> item(int k, const QString& key, const QJsonValue& value)
{
    return [=](QJsonObject& root) {
        QJsonArray items = root.value("items").toArray();
        QJsonObject o = items.at(k).toObject();
        if (value.isUndefined())
            o.remove(key);
        else
            o.insert(key, value);
        items.replace(k, o);
        root.insert("items", items);
    };
}

} // namespace

void TestTemplateFile::roundTrip()
{
    TemplateDesign back;
    QString error;
    QVERIFY2(TemplateFile::fromJson(TemplateFile::toJson(sample()), &back, &error), qPrintable(error));
    QCOMPARE(back, sample());
    // Every kind, source, alignment, rotation and wrap comes back.
    TemplateDesign d = sample();
    d.items[0].rotation = 270;
    d.items[1].align = DesignItem::Align::Center;
    d.items[2].wrap = DesignItem::Wrap::Bytes;
    d.items[2].wrapBytes = 24;
    d.items[3].hidden = true;
    d.items[3].fontFamily = QStringLiteral("Noto Sans CJK SC");
    QVERIFY(TemplateFile::fromJson(TemplateFile::toJson(d), &back, &error));
    QCOMPARE(back, d);
}

void TestTemplateFile::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason"); // a part of the reason: the field it names

    QTest::newRow("not JSON") << QByteArray("{\"format\": \"waybill-template\", ") << "不是有效的 JSON";
    QTest::newRow("an array") << QByteArray("[1, 2]") << "不是一个 JSON 对象";
    QTest::newRow("other format") << changed([](QJsonObject& r) { r.insert("format", "x"); }) << "“format”";
    QTest::newRow("newer version") << changed([](QJsonObject& r) { r.insert("version", 9); }) << "“version”";
    QTest::newRow("no page") << changed([](QJsonObject& r) { r.remove("page"); }) << "“page”";
    QTest::newRow("page too narrow") << changed([](QJsonObject& r) {
        r.insert("page", QJsonObject{{"width_mm", 9.9}, {"height_mm", 150}});
    }) << "“page.width_mm”是 9.9";
    QTest::newRow("page too high") << changed([](QJsonObject& r) {
        r.insert("page", QJsonObject{{"width_mm", 100}, {"height_mm", 1000.5}});
    }) << "“page.height_mm”";
    QTest::newRow("page size a text") << changed([](QJsonObject& r) {
        r.insert("page", QJsonObject{{"width_mm", "100"}, {"height_mm", 150}});
    }) << "“page.width_mm”不是数字";
    QTest::newRow("band too wide") << changed([](QJsonObject& r) {
        r.insert("band", QJsonObject{{"width_mm", 2000}});
    }) << "“band.width_mm”";
    QTest::newRow("scale beyond 110 %") << changed([](QJsonObject& r) {
        r.insert("calibration", QJsonObject{{"scale_x", 150}});
    }) << "“calibration.scale_x”";
    QTest::newRow("items not an array") << changed([](QJsonObject& r) { r.insert("items", 3); }) << "“items”";
    QTest::newRow("501 items") << changed([](QJsonObject& r) {
        QJsonArray items;
        const QJsonObject first = r.value("items").toArray().at(0).toObject();
        for (int i = 0; i < 501; ++i) {
            QJsonObject o = first;
            o.insert("name", QStringLiteral("i%1").arg(i));
            items.append(o);
        }
        r.insert("items", items);
    }) << "有 501 个项目";
    QTest::newRow("unknown kind") << changed(item(2, "kind", "datamatrix")) << "“items[2].kind”";
    QTest::newRow("unknown source") << changed(item(2, "source", "courier")) << "“items[2].source”";
    QTest::newRow("unknown alignment") << changed(item(2, "align", "justify")) << "“items[2].align”";
    QTest::newRow("rotation 45") << changed(item(1, "rotation", 45)) << "“items[1].rotation”";
    QTest::newRow("font 0.5 pt") << changed(item(3, "font_pt", 0.5)) << "“items[3].font_pt”";
    QTest::newRow("font 501 pt") << changed(item(3, "font_pt", 501)) << "“items[3].font_pt”";
    QTest::newRow("box 1,001 mm wide") << changed(item(4, "width_mm", 1001)) << "“items[4].width_mm”";
    QTest::newRow("no left") << changed(item(4, "left_mm", QJsonValue::Undefined))
                             << "“items[4].left_mm”缺失";
    QTest::newRow("bold a number") << changed(item(4, "bold", 1)) << "“items[4].bold”";
    QTest::newRow("wrap of 1 byte") << changed(item(5, "wrap", 1)) << "“items[5].wrap”";
    QTest::newRow("no such column") << changed(item(2, "column", "密码")) << "“items[2].column”";
    QTest::newRow("two items, one name") << changed(item(3, "name", "item1")) << "“items[3].name”";
    QTest::newRow("barcode of nothing") << changed([](QJsonObject& r) {
        item(0, "column", "")(r);
        item(0, "text", QJsonValue::Undefined)(r);
    }) << "“items[0].text”";
    QTest::newRow("picture not base64")
        << changed([](QJsonObject& r) { r.insert("picture", "@@@@"); }) << "“picture”不是有效的 base64";
    QTest::newRow("picture no picture") << changed([](QJsonObject& r) {
        r.insert("picture", QString::fromLatin1(QByteArray(300, 'x').toBase64()));
    }) << "“picture”不可用";
    QTest::newRow("picture over 32 MB") << changed([](QJsonObject& r) {
        r.insert("picture", QString::fromLatin1(QByteArray(32 * 1024 * 1024 + 10, '\0').toBase64()));
    }) << "“picture”超过 32 MB";
}

void TestTemplateFile::hostileFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    TemplateDesign out;
    out.caption = QStringLiteral("untouched");
    QString error;
    QVERIFY(!TemplateFile::fromJson(file, &out, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(out.caption, QStringLiteral("untouched"));
    QVERIFY(out.items.isEmpty());
}

QTEST_MAIN(TestTemplateFile)
#include "test_template_file.moc"
