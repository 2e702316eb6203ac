// Build-time tool: draws the background picture of every template, a plain
// blank form of our own with a ruled, labelled box wherever the single
// variant prints a value, and writes the .qrc that compiles them in.
//
//   catalogue_pictures OUTPUT_DIR QRC_FILE
//
// Each picture is OUTPUT_DIR/<code>.jpg at the template's listed pixel size;
// the .qrc lists them under the prefix /layouts. Needs a GUI application for
// the fonts; CMake runs it on the offscreen platform.

#include "report/FontSetup.h"
#include "templates/layouts/Catalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

using namespace layouts;

namespace {

const char* const kLabelFamily = "AR PL UMing CN";

struct ColumnLook
{
    const char* column;
    const char* senderLabel; // printed before the value box
    const char* recipientLabel;
    double valueWidthMm; // room a typical value needs
    bool labelAfter;     // 年 月 日 follow their value
};

const ColumnLook kLooks[] = {
    {"姓名", "寄件人姓名", "收件人姓名", 34, false},
    {"电话", "电话", "电话", 36, false},
    {"手机", "手机", "手机", 36, false},
    {"寄件单位", "单位名称", "单位名称", 70, false},
    {"收件单位", "单位名称", "单位名称", 70, false},
    {"地址", "地址", "地址", 86, false},
    {"邮编", "邮编", "邮编", 24, false},
    {"城市", "始发地", "目的地", 22, false},
    {"签名", "寄件人签名", "收件人签名", 34, false},
    {"内件品名", "内件品名", "内件品名", 46, false},
    {"数量", "数量", "数量", 16, false},
    {"备注", "备注", "备注", 40, false},
    {"年", "年", "年", 11, true},
    {"月", "月", "月", 6.5, true},
    {"日", "日", "日", 6.5, true},
};

const ColumnLook& lookOf(const Item& it)
{
    for (const ColumnLook& l : kLooks)
        if (qstrcmp(l.column, it.column) == 0)
            return l;
    static const ColumnLook other{"", "", "", 30, false};
    return other;
}

// Box and label of one item, in millimetres on the band.
struct Field
{
    const Item* item;
    QString label;
    bool labelAfter;
    QRectF value;  // where the value prints, a little padded
    QRectF label_; // where the label goes
    bool labelInside = false;
};

class Painter
{
public:
    Painter(const Template& tpl, QImage* image)
        : m_tpl(tpl), m_page(tpl.variant(Variant::Single)), m_image(image)
    {
        m_sx = image->width() / m_page.pictureWidthMm;
        m_sy = image->height() / m_page.pictureHeightMm;
        // Courier forms come in a house colour; any muted one will do.
        static const QColor tints[] = {QColor(0x1f, 0x3f, 0x7a), QColor(0x8a, 0x1c, 0x1c),
                                       QColor(0x1d, 0x5e, 0x3a), QColor(0x5a, 0x2d, 0x82),
                                       QColor(0x7a, 0x4a, 0x12)};
        m_ink = tints[qHash(QByteArray(tpl.code)) % 5];
    }

    void draw()
    {
        QPainter p(m_image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        m_p = &p;
        m_image->fill(Qt::white);
        layoutFields();
        drawFrameAndTitle();
        for (const Field& f : m_fields)
            drawField(f);
        drawDateCaption();
        m_p = nullptr;
    }

private:
    QPointF px(double xMm, double yMm) const
    {
        return {(xMm - m_page.pictureLeftMm) * m_sx, (yMm - m_page.pictureTopMm) * m_sy};
    }
    QRectF px(const QRectF& mm) const { return QRectF(px(mm.left(), mm.top()), px(mm.right(), mm.bottom())); }

    QFont labelFont(double heightMm) const
    {
        QFont f(QString::fromLatin1(kLabelFamily));
        f.setPixelSize(std::max(6, qRound(heightMm * m_sy)));
        return f;
    }

    double textWidthMm(const QString& s, double heightMm) const
    {
        return QFontMetricsF(labelFont(heightMm), m_image).horizontalAdvance(s) / m_sx;
    }

    QRectF pictureMm() const
    {
        return QRectF(m_page.pictureLeftMm, m_page.pictureTopMm, m_page.pictureWidthMm,
                      m_page.pictureHeightMm);
    }

    bool freeFor(const QRectF& r, const Field* self) const
    {
        if (!pictureMm().adjusted(2.5, 2.5, -2.5, -2.5).contains(r))
            return false;
        for (const Field& f : m_fields)
            if (&f != self && (f.value.intersects(r) || (!f.label_.isNull() && f.label_.intersects(r))))
                return false;
        return true;
    }

    void layoutFields()
    {
        const double labelH = 3.0;
        const Item* items = m_page.items;
        // First the value boxes: from the item's left edge as far right as a
        // typical value needs, short of the next item on the same line.
        for (int i = 0; i < m_page.itemCount; ++i) {
            const Item& it = items[i];
            const ColumnLook& look = lookOf(it);
            Field f{&it,
                    QString::fromUtf8(it.source == Source::Sender ? look.senderLabel : look.recipientLabel),
                    look.labelAfter,
                    {},
                    {}};
            double right = std::min(it.leftMm + look.valueWidthMm, pictureMm().right() - 2);
            for (int j = 0; j < m_page.itemCount; ++j) {
                const Item& o = items[j];
                // Boxes that merely touch (a fraction of a millimetre) are on different lines.
                const double overlap =
                    std::min(o.topMm + o.heightMm, it.topMm + it.heightMm) - std::max(o.topMm, it.topMm);
                const bool sameLine = overlap > 1.5;
                if (j != i && sameLine && o.leftMm > it.leftMm) {
                    const ColumnLook& ol = lookOf(o);
                    const double otherLabel =
                        ol.labelAfter
                            ? 0
                            : textWidthMm(QString::fromUtf8(o.source == Source::Sender ? ol.senderLabel
                                                                                       : ol.recipientLabel),
                                          labelH) +
                                  1.5;
                    right = std::min(right, o.leftMm - otherLabel - 1.5);
                }
            }
            if (f.labelAfter)
                right -= textWidthMm(f.label, labelH + 0.5) + 1.0;
            right = std::max(right, it.leftMm + (f.labelAfter ? 3.0 : it.widthMm));
            f.value =
                QRectF(QPointF(it.leftMm - 0.8, it.topMm - 0.3), QPointF(right, it.topMm + it.heightMm));
            m_fields.push_back(f);
        }
        // Where two boxes above each other overlap by a little, share the gap.
        for (Field& a : m_fields) {
            for (Field& b : m_fields) {
                const bool columns = a.value.left() < b.value.right() && b.value.left() < a.value.right();
                const double overlap = a.value.bottom() - b.value.top();
                if (&a != &b && columns && a.value.top() < b.value.top() && overlap > -0.2 && overlap < 2.0) {
                    const double mid = (a.value.bottom() + b.value.top()) / 2;
                    a.value.setBottom(mid - 0.15);
                    b.value.setTop(mid + 0.15);
                }
            }
        }
        // Then the labels: before the box (after it for the date parts),
        // else above it, else small inside its top-left corner.
        for (Field& f : m_fields) {
            const double lineH = std::min(f.value.height(), 5.6);
            if (f.labelAfter) {
                const double w = textWidthMm(f.label, labelH + 0.5) + 0.6;
                f.label_ = QRectF(f.value.right() + 0.3, f.value.top(), w, lineH);
                continue;
            }
            const double w = textWidthMm(f.label, labelH) + 1.4;
            const QRectF before(f.value.left() - w, f.value.top(), w, lineH);
            const QRectF above(f.value.left(), f.value.top() - labelH - 0.6, w, labelH + 0.5);
            if (freeFor(before, &f)) {
                f.label_ = before;
            } else if (freeFor(above, &f)) {
                f.label_ = above;
            } else {
                f.label_ = QRectF(f.value.left() + 0.3, f.value.top() + 0.2, w * 0.7, labelH * 0.7);
                f.labelInside = true;
            }
        }
    }

    void drawFrameAndTitle()
    {
        const QRectF pic = pictureMm();
        m_p->setPen(QPen(m_ink, std::max(1.0, 0.5 * m_sx)));
        m_p->setBrush(Qt::NoBrush);
        m_p->drawRect(px(pic.adjusted(2, 2, -2, -2)));

        double topItem = pic.bottom();
        for (int i = 0; i < m_page.itemCount; ++i)
            topItem = std::min(topItem, m_page.items[i].topMm);
        const double titleH = std::clamp((topItem - pic.top() - 6) * 0.55, 3.5, 7.0);
        const QRectF title(pic.left() + 4, pic.top() + 3, pic.width() - 8, titleH * 1.4);
        QFont tf = labelFont(titleH);
        tf.setLetterSpacing(QFont::PercentageSpacing, 115);
        m_p->setFont(tf);
        m_p->setPen(m_ink);
        m_p->drawText(px(title), Qt::AlignHCenter | Qt::AlignVCenter, QString::fromUtf8(m_tpl.caption));
        m_p->setFont(labelFont(2.4));
        m_p->drawText(px(title), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("模板 %1").arg(m_tpl.code));
    }

    void drawField(const Field& f)
    {
        const double lineW = std::max(1.0, 0.3 * m_sx);
        QRectF box = f.value;
        if (!f.labelInside && !f.labelAfter && f.label_.top() == f.value.top())
            box.setLeft(f.label_.left());
        if (f.labelAfter)
            box.setRight(f.label_.right());
        m_p->setBrush(QColor(m_ink.red(), m_ink.green(), m_ink.blue(), 10));
        m_p->setPen(QPen(m_ink, lineW));
        m_p->drawRect(px(box));

        // Ruled lines for the lines of a value that wraps.
        const double lineH = 5.3;
        m_p->setPen(QPen(QColor(m_ink.red(), m_ink.green(), m_ink.blue(), 90), lineW * 0.6, Qt::DotLine));
        for (double y = f.item->topMm + lineH; y < f.value.bottom() - 1.5; y += lineH)
            m_p->drawLine(px(f.value.left(), y), px(f.value.right(), y));

        m_p->setPen(QPen(m_ink, lineW));
        if (!f.labelInside && !f.labelAfter && f.label_.top() == f.value.top())
            m_p->drawLine(px(f.value.left(), f.value.top()), px(f.value.left(), f.value.bottom()));
        if (f.labelAfter)
            m_p->drawLine(px(f.value.right(), f.value.top()), px(f.value.right(), f.value.bottom()));

        const double h = f.labelInside ? 2.0 : (f.labelAfter ? 3.5 : 3.0);
        m_p->setFont(labelFont(h));
        m_p->setPen(m_ink);
        const Qt::Alignment align = (f.labelInside ? Qt::AlignTop : Qt::AlignVCenter) |
                                    (f.labelAfter ? Qt::AlignHCenter : Qt::AlignLeft);
        QRectF text = f.label_;
        if (!f.labelInside && !f.labelAfter)
            text.adjust(0.7, 0, 0, 0);
        m_p->drawText(px(text), align | Qt::TextDontClip, f.label);
    }

    // "寄件日期" before the year, or before the month where no year is printed.
    void drawDateCaption()
    {
        const Field* first = nullptr;
        for (const Field& f : m_fields)
            if (f.labelAfter && (!first || f.value.left() < first->value.left()))
                first = &f;
        if (!first)
            return;
        const QString caption = QStringLiteral("寄件日期");
        const double h = 3.0;
        const double w = textWidthMm(caption, h) + 1.2;
        QRectF r(first->value.left() - w - 0.5, first->value.top(), w, std::min(first->value.height(), 5.6));
        if (!freeFor(r, nullptr))
            r.moveTopLeft(QPointF(first->value.left(), first->value.top() - h - 0.8));
        if (!freeFor(r, nullptr))
            return;
        m_p->setFont(labelFont(h));
        m_p->setPen(m_ink);
        m_p->drawText(px(r), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, caption);
    }

    const Template& m_tpl;
    const Page& m_page;
    QImage* m_image;
    QPainter* m_p = nullptr;
    double m_sx = 1;
    double m_sy = 1;
    QColor m_ink;
    std::vector<Field> m_fields;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: catalogue_pictures OUTPUT_DIR QRC_FILE\n");
        return 2;
    }
    FontSetup::install();
    if (!QFontDatabase::families().contains(QString::fromLatin1(kLabelFamily)))
        std::fprintf(stderr, "catalogue_pictures: warning: font \"%s\" is missing, labels use a fallback\n",
                     kLabelFamily);

    const QDir outDir(args.at(1));
    if (!QDir().mkpath(outDir.absolutePath())) {
        std::fprintf(stderr, "catalogue_pictures: cannot create %s\n", qPrintable(args.at(1)));
        return 1;
    }
    const QDir qrcDir = QFileInfo(args.at(2)).absoluteDir();
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/layouts\">\n";
    for (int i = 0; i < templateCount(); ++i) {
        const Template& tpl = templateAt(i);
        const Page& single = tpl.variant(Variant::Single);
        QImage image(single.pictureWidthPx, single.pictureHeightPx, QImage::Format_RGB32);
        Painter(tpl, &image).draw();
        const QString file = outDir.absoluteFilePath(QString::fromLatin1(tpl.code) + QStringLiteral(".jpg"));
        QImageWriter writer(file, "jpg");
        writer.setQuality(80);
        if (!writer.write(image)) {
            std::fprintf(stderr, "catalogue_pictures: %s: %s\n", qPrintable(file),
                         qPrintable(writer.errorString()));
            return 1;
        }
        const QString expected = QStringLiteral(":/layouts/%1.jpg").arg(tpl.code);
        if (expected != QLatin1String(tpl.picture)) {
            std::fprintf(stderr, "catalogue_pictures: template %s names its picture %s, expected %s\n",
                         tpl.code, tpl.picture, qPrintable(expected));
            return 1;
        }
        qrc += "  <file alias=\"" + QByteArray(tpl.code) + ".jpg\">" +
               qrcDir.relativeFilePath(file).toUtf8() + "</file>\n";
    }
    qrc += "</qresource>\n</RCC>\n";
    QSaveFile out(args.at(2));
    if (!out.open(QIODevice::WriteOnly) || out.write(qrc) < 0 || !out.commit()) {
        std::fprintf(stderr, "catalogue_pictures: cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
