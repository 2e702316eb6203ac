#include "templates/LabelTemplates.h"

namespace LabelTemplates {

namespace {

using Kind = DesignItem::Kind;
using Source = DesignItem::Source;

// Adds items with names item1, item2 … in the order they are placed.
class Label
{
public:
    Label(double width, double height)
    {
        m_t.code = QStringLiteral("label-%1x%2").arg(width).arg(height);
        m_t.caption = QStringLiteral("热敏标签 %1×%2").arg(width).arg(height);
        m_t.pageMm = m_t.bandMm = QSizeF(width, height);
        m_t.wordWrap = true;
    }
    DesignItem& add(Kind kind, Source source, const QString& column, double l, double t, double w, double h,
                    double pt = 10, bool bold = false)
    {
        DesignItem i;
        i.kind = kind;
        i.name = QStringLiteral("item%1").arg(m_t.items.size() + 1);
        i.source = source;
        if (kind == Kind::Text)
            i.text = column;
        else
            i.column = column;
        i.leftMm = l;
        i.topMm = t;
        i.widthMm = w;
        i.heightMm = h;
        i.fontPt = pt;
        i.bold = bold;
        m_t.items.append(i);
        return m_t.items.last();
    }
    DesignItem& text(const QString& s, double l, double t, double w, double h, double pt = 9,
                     bool bold = false)
    {
        return add(Kind::Text, Source::Recipient, s, l, t, w, h, pt, bold);
    }
    // An address that wraps by the box's width into at most lines lines.
    DesignItem& address(Source source, double l, double t, double w, double h, double pt, int lines)
    {
        DesignItem& i =
            add(Kind::Field, source, QStringLiteral("地址"), l, t, w, h, pt, source == Source::Recipient);
        i.wrap = DesignItem::Wrap::Width;
        i.maxLines = lines;
        return i;
    }
    TemplateDesign take() { return m_t; }

private:
    TemplateDesign m_t;
};

const QString kName = QStringLiteral("姓名");
const QString kMobile = QStringLiteral("手机");
const QString kNumber = QStringLiteral("快递单号");

// The parts every label has, scaled to its width; top is where the
// recipient block starts below the barcode.
void common(Label& l, double w, double s, double barHeight, double top)
{
    const double m = 3 * s;   // margin
    const double col = 9 * s; // the 收 / 寄 column
    DesignItem& bar = l.add(Kind::Barcode, Source::Recipient, kNumber, m, m, w - 2 * m, barHeight, 9 * s);
    bar.align = DesignItem::Align::Center;

    double y = top;
    l.text(QStringLiteral("收"), m, y, col, 8 * s, 16 * s, true);
    l.add(Kind::Field, Source::Recipient, kName, m + col, y, (w - 2 * m - col) * 0.5, 7 * s, 14 * s, true);
    DesignItem& mobile = l.add(Kind::Field, Source::Recipient, kMobile, m + col + (w - 2 * m - col) * 0.5, y,
                               (w - 2 * m - col) * 0.5, 7 * s, 12 * s, true);
    mobile.align = DesignItem::Align::Right;
    y += 8 * s;
    l.address(Source::Recipient, m + col, y, w - 2 * m - col, 16 * s, 12 * s, 3);
    y += 17 * s;
    l.add(Kind::Field, Source::Recipient, QStringLiteral("收件单位"), m + col, y, w - 2 * m - col, 5 * s,
          10 * s);
    y += 7 * s;

    l.text(QStringLiteral("寄"), m, y, col, 6 * s, 12 * s, true);
    l.add(Kind::Field, Source::Sender, kName, m + col, y, (w - 2 * m - col) * 0.5, 5 * s, 10 * s);
    DesignItem& senderMobile = l.add(Kind::Field, Source::Sender, kMobile, m + col + (w - 2 * m - col) * 0.5,
                                     y, (w - 2 * m - col) * 0.5, 5 * s, 10 * s);
    senderMobile.align = DesignItem::Align::Right;
    y += 5.5 * s;
    l.address(Source::Sender, m + col, y, w - 2 * m - col, 8 * s, 9 * s, 2);
    y += 10 * s;

    const double qr = 24 * s;
    l.text(QStringLiteral("内件："), m, y, 11 * s, 5 * s, 10 * s);
    DesignItem& contents = l.add(Kind::Field, Source::Recipient, QStringLiteral("内件品名"), m + 11 * s, y,
                                 w - 3 * m - qr - 11 * s, 10 * s, 10 * s);
    contents.wrap = DesignItem::Wrap::Width;
    contents.maxLines = 2;
    l.add(Kind::QrCode, Source::Recipient, kNumber, w - m - qr, y, qr, qr);
    y += 11 * s;
    l.text(QStringLiteral("数量："), m, y, 11 * s, 5 * s, 10 * s);
    l.add(Kind::Field, Source::Recipient, QStringLiteral("数量"), m + 11 * s, y, 15 * s, 5 * s, 10 * s);
    y += 6 * s;
    l.text(QStringLiteral("备注："), m, y, 11 * s, 5 * s, 9 * s);
    DesignItem& note = l.add(Kind::Field, Source::Recipient, QStringLiteral("备注"), m + 11 * s, y,
                             w - 3 * m - qr - 11 * s, 8 * s, 9 * s);
    note.wrap = DesignItem::Wrap::Width;
    note.maxLines = 2;
    y += 9 * s;
    l.text(QStringLiteral("打印日期："), m, y, 18 * s, 5 * s, 9 * s);
    l.add(Kind::Field, Source::PrintDate, QStringLiteral("日期"), m + 18 * s, y, 25 * s, 5 * s, 9 * s);
}

} // namespace

QVector<TemplateDesign> all()
{
    QVector<TemplateDesign> out;
    {
        // 76 mm: everything a quarter smaller.
        Label l(76, 130);
        common(l, 76, 0.76, 16, 22);
        out.append(l.take());
    }
    {
        Label l(100, 150);
        common(l, 100, 1.0, 20, 27);
        // The foot: the number once more, for the shop's own records.
        DesignItem& n = l.add(Kind::Field, Source::Recipient, kNumber, 3, 140, 94, 6, 12, true);
        n.align = DesignItem::Align::Center;
        out.append(l.take());
    }
    {
        // 100 × 180: the label and a stub below the perforation that the
        // shop keeps, with the number as a barcode again.
        Label l(100, 180);
        common(l, 100, 1.0, 20, 27);
        l.text(QStringLiteral("存根"), 3, 142, 12, 6, 10, true);
        DesignItem& stub = l.add(Kind::Barcode, Source::Recipient, kNumber, 16, 142, 81, 16, 9);
        stub.align = DesignItem::Align::Center;
        l.add(Kind::Field, Source::Recipient, kName, 3, 162, 45, 6, 11, true);
        DesignItem& mobile = l.add(Kind::Field, Source::Recipient, kMobile, 50, 162, 47, 6, 11);
        mobile.align = DesignItem::Align::Right;
        l.add(Kind::Field, Source::PrintDate, QStringLiteral("日期"), 3, 170, 40, 5, 9);
        out.append(l.take());
    }
    return out;
}

} // namespace LabelTemplates
