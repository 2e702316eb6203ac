#include "templates/TemplateReport.h"

#include "data/store/Schema.h"
#include "report/FontSetup.h"
#include "report/QRBand.h"
#include "report/QRDBText.h"
#include "report/QuickRep.h"
#include "report/ReportPainter.h"
#include "templates/BreakIntoLines.h"
#include "templates/BuiltInDesign.h"
#include "templates/UserTemplates.h"

#include <QVariant>

#include <cmath>

double TemplateReport::gridTenths(double mm)
{
    // Every length but the page is laid out on the 96 dpi screen grid: the
    // millimetres of the layouts are rounded to whole pixels, one pixel being
    // 254 / 96 tenths of a millimetre on paper.
    return std::lround(mm * 96.0 / 25.4) * 254.0 / 96.0;
}

TemplateReport::TemplateReport(const layouts::Template& tmpl, layouts::Variant variant, QObject* parent)
    : QObject(parent), m_builtIn(&tmpl), m_design(builtInDesign(tmpl, variant)), m_variant(variant),
      m_report(new TQuickRep(this)), m_records(m_report)
{
    const layouts::Page& p = tmpl.variant(variant);
    for (int i = 0; i < p.itemCount; ++i) {
        const layouts::Item& d = p.items[i];
        m_designs.append(&d);
        m_boxes.append(
            QRectF(gridTenths(d.leftMm), gridTenths(d.topMm), gridTenths(d.widthMm), gridTenths(d.heightMm)));
    }
    build();
    m_band->Size.Width = gridTenths(p.bandWidthMm);
    m_band->Size.Height = gridTenths(p.bandHeightMm);
}

TemplateReport::TemplateReport(const TemplateDesign& design, layouts::Variant variant, QObject* parent)
    : QObject(parent), m_builtIn(design.builtIn ? layouts::findTemplate(design.code) : nullptr),
      m_design(design), m_variant(variant), m_report(new TQuickRep(this)), m_records(m_report)
{
    for (const DesignItem& d : design.items)
        m_boxes.append(QRectF(d.leftMm * 10, d.topMm * 10, d.widthMm * 10, d.heightMm * 10));
    build();
}

void TemplateReport::build()
{
    m_report->setObjectName(QStringLiteral("QuickRep1"));
    m_report->Page.Width = m_design.pageMm.width() * 10.0;
    m_report->Page.Length = m_design.pageMm.height() * 10.0;
    m_report->Zoom = 100;
    m_report->PrintIfEmpty = true;
    m_report->Records = &m_records;

    m_band = new TQRBand(m_report);
    m_band->setObjectName(isBatch() ? QStringLiteral("DetailBand1") : QStringLiteral("QRBand1"));
    m_band->Size.Width = m_design.bandMm.width() * 10.0;
    m_band->Size.Height = m_design.bandMm.height() * 10.0;
    m_band->Color = Qt::white;
    m_band->Transparent = false;

    for (int i = 0; i < m_design.items.size(); ++i) {
        const DesignItem& design = m_design.items.at(i);
        auto* item = new TQRDBText(m_band, design.name);
        const bool fromRecord = design.kind == DesignItem::Kind::Field ||
                                (design.kind != DesignItem::Kind::Text && !design.column.isEmpty());
        if (fromRecord && design.source != DesignItem::Source::PrintDate)
            item->DataField = design.column;
        const QRectF& box = m_boxes.at(i);
        item->Size.Left = box.left();
        item->Size.Top = box.top();
        item->Size.Width = box.width();
        item->Size.Height = box.height();
        item->Font = i < m_designs.size() ? designFont(*m_designs.at(i)) : designFont(design);
        item->AutoSize = true;
        item->Transparent = !design.opaque;
        item->Color = Qt::white;
        item->Kind = design.kind == DesignItem::Kind::Barcode  ? TQRItemKind::Code128
                     : design.kind == DesignItem::Kind::QrCode ? TQRItemKind::QrCode
                                                               : TQRItemKind::Text;
        item->Alignment = design.align == DesignItem::Align::Center  ? Qt::AlignHCenter
                          : design.align == DesignItem::Align::Right ? Qt::AlignRight
                                                                     : Qt::AlignLeft;
        item->Rotation = design.rotation;
        item->MaxLines = design.maxLines;
        item->HumanReadable = design.humanReadable;
        item->Enabled = !design.hidden;
        m_items.append(item);
        const bool wraps = item->Kind == TQRItemKind::Text &&
                           ((design.wrap == DesignItem::Wrap::Bytes && design.wrapBytes > 0) ||
                            design.wrap == DesignItem::Wrap::Width);
        if (wraps) {
            item->OnPrint = [this](TQRDBText* sender, QString& value) { printHook(sender, value); };
            item->setProperty("OnPrint", hookName(item));
        }
    }
}

TemplateReport::~TemplateReport() = default;

TemplateReport* TemplateReport::create(const QString& code, const QString& variantName, QString* error,
                                       QObject* parent)
{
    const layouts::Template* t = layouts::findTemplate(code);
    if (!t) {
        if (error)
            *error = QStringLiteral("没有模板“%1”。").arg(code);
        return nullptr;
    }
    layouts::Variant v;
    if (!layouts::parseVariant(variantName, &v)) {
        if (error)
            *error = QStringLiteral("没有打印方式“%1”（可用 single、batch、excel-single、excel-batch）。")
                         .arg(variantName);
        return nullptr;
    }
    return new TemplateReport(*t, v, parent);
}

TemplateReport* TemplateReport::create(Database& db, const QString& code, const QString& variantName,
                                       QString* error, QObject* parent)
{
    if (layouts::findTemplate(code))
        return create(code, variantName, error, parent);
    layouts::Variant v;
    if (!layouts::parseVariant(variantName, &v)) {
        if (error)
            *error = QStringLiteral("没有打印方式“%1”（可用 single、batch、excel-single、excel-batch）。")
                         .arg(variantName);
        return nullptr;
    }
    TemplateDesign design;
    QString why;
    if (!UserTemplates::load(db, code, &design, &why)) {
        if (error)
            *error =
                why.startsWith(QStringLiteral("没有")) ? QStringLiteral("没有模板“%1”。").arg(code) : why;
        return nullptr;
    }
    return new TemplateReport(design, v, parent);
}

QString TemplateReport::builtInPicture() const
{
    return m_builtIn && m_builtIn->picture ? QString::fromUtf8(m_builtIn->picture) : QString();
}

bool TemplateReport::isBatch() const
{
    return m_variant == layouts::Variant::Batch || m_variant == layouts::Variant::ExcelBatch;
}

QString TemplateReport::recipientTable() const
{
    const bool excel =
        m_variant == layouts::Variant::ExcelSingle || m_variant == layouts::Variant::ExcelBatch;
    return excel ? Schema::kExcelTable : Schema::kRecipientTable;
}

TQRDBText* TemplateReport::item(const QString& name) const
{
    for (TQRDBText* i : m_items)
        if (i->objectName() == name)
            return i;
    return nullptr;
}

bool TemplateReport::isSenderItem(const TQRDBText* item) const
{
    const DesignItem* d = designItem(item);
    return d && d->source == DesignItem::Source::Sender;
}

int TemplateReport::wrapWidth(const TQRDBText* item) const
{
    const DesignItem* d = designItem(item);
    return d && d->wrap == DesignItem::Wrap::Bytes ? d->wrapBytes : 0;
}

QString TemplateReport::hookName(const TQRDBText* item) const
{
    return item && item->OnPrint ? item->objectName() + QStringLiteral("Print") : QString();
}

QFont TemplateReport::designFont(const layouts::Item& item)
{
    QFont f(QString::fromUtf8(FontSetup::kSongFamily));
    f.setPointSize(item.fontPt > 0 ? item.fontPt : 12);
    f.setBold(item.bold);
    return f;
}

QFont TemplateReport::designFont(const DesignItem& item)
{
    QFont f(item.fontFamily.isEmpty() ? QString::fromUtf8(FontSetup::kSongFamily) : item.fontFamily);
    f.setPointSizeF(item.fontPt > 0 ? item.fontPt : 12);
    f.setBold(item.bold);
    return f;
}

int TemplateReport::maxShiftLeft() const
{
    return int(std::lround(m_design.pageMm.width() * 96.0 / 25.4));
}

int TemplateReport::maxShiftTop() const
{
    return int(std::lround(m_design.pageMm.height() * 96.0 / 25.4));
}

void TemplateReport::place(int index)
{
    // Designed places lie on the screen's pixel grid, so whole-pixel shifts
    // keep them there; a saved offset may put an item between pixels.
    const QRectF& box = m_boxes.at(index);
    const ItemAdjustment a =
        m_adjustment.item(layouts::variantName(m_variant), m_items.at(index)->objectName());
    TQRDBText* item = m_items.at(index);
    item->Size.Left = box.left() + a.dx + m_report->pixelsToTenths(m_shiftLeft);
    item->Size.Top = box.top() + a.dy + m_report->pixelsToTenths(m_shiftTop);
    item->Enabled = !a.hidden && !m_design.items.at(index).hidden;
}

void TemplateReport::setAdjustment(const TemplateAdjustment& adjustment)
{
    m_adjustment = adjustment;
    TQRCalibration& c = m_report->Calibration;
    c.Dx = adjustment.dx;
    c.Dy = adjustment.dy;
    c.ScaleX = adjustment.scaleX / 100.0;
    c.ScaleY = adjustment.scaleY / 100.0;
    for (int i = 0; i < m_items.size(); ++i)
        place(i);
}

bool TemplateReport::loadAdjustment(Database& db, QString* error)
{
    QString why;
    const TemplateAdjustment a = LayoutAdjustments::load(db, code(), &why);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    setAdjustment(a);
    return true;
}

ItemAdjustment TemplateReport::itemAdjustment(const TQRDBText* item) const
{
    return item ? m_adjustment.item(layouts::variantName(m_variant), item->objectName()) : ItemAdjustment();
}

void TemplateReport::setItemAdjustment(const TQRDBText* item, const ItemAdjustment& adjustment)
{
    const int i = m_items.indexOf(const_cast<TQRDBText*>(item));
    if (i < 0)
        return;
    const QString key = TemplateAdjustment::itemKey(layouts::variantName(m_variant), item->objectName());
    if (adjustment.isDefault())
        m_adjustment.items.remove(key);
    else
        m_adjustment.items.insert(key, adjustment);
    place(i);
}

const layouts::Item* TemplateReport::design(const TQRDBText* item) const
{
    const int i = m_items.indexOf(const_cast<TQRDBText*>(item));
    return i >= 0 && i < m_designs.size() ? m_designs.at(i) : nullptr;
}

const DesignItem* TemplateReport::designItem(const TQRDBText* item) const
{
    const int i = m_items.indexOf(const_cast<TQRDBText*>(item));
    return i >= 0 ? &m_design.items.at(i) : nullptr;
}

bool TemplateReport::shiftBy(int pixels, bool horizontal, QString* error)
{
    int& total = horizontal ? m_shiftLeft : m_shiftTop;
    const int limit = horizontal ? maxShiftLeft() : maxShiftTop();
    // In 64 bits: the boxes take any 32-bit number.
    const qint64 wanted = qint64(total) + pixels;
    if (wanted > limit || wanted < -limit) {
        if (error) {
            *error = QStringLiteral("%1移动合计最多 ±%2 像素（%3），再多打印内容就全部落在纸外了。")
                         .arg(horizontal ? QStringLiteral("左右") : QStringLiteral("上下"))
                         .arg(limit)
                         .arg(horizontal ? QStringLiteral("纸宽") : QStringLiteral("纸高"));
            if (total != 0)
                *error += QStringLiteral("现已移动 %1 像素。").arg(total);
        }
        return false;
    }
    total = int(wanted);
    for (int i = 0; i < m_items.size(); ++i)
        place(i);
    return true;
}

bool TemplateReport::shiftLeft(int pixels, QString* error)
{
    return shiftBy(pixels, true, error);
}

bool TemplateReport::shiftTop(int pixels, QString* error)
{
    return shiftBy(pixels, false, error);
}

bool TemplateReport::checkFontSize(double pt, QString* error)
{
    if (pt >= kMinFontPt && pt <= kMaxFontPt) // false for NaN
        return true;
    if (error)
        *error = QStringLiteral("字号必须在 %1 到 %2 磅之间。").arg(kMinFontPt).arg(kMaxFontPt);
    return false;
}

bool TemplateReport::setItemsFont(const QFont& font, const QColor& color, QString* error)
{
    // A font sized in pixels has no point size (-1); it is taken as it is.
    if (font.pointSizeF() > 0 || font.pixelSize() <= 0) {
        if (!checkFontSize(font.pointSizeF(), error))
            return false;
    }
    for (TQRDBText* i : m_items)
        i->setFont(font, color);
    return true;
}

void TemplateReport::bind(DataSet* senders, DataSet* recipients)
{
    for (int i = 0; i < m_items.size(); ++i) {
        const DesignItem& d = m_design.items.at(i);
        m_records.bindItem(i, d.source == DesignItem::Source::Sender      ? senders
                              : d.source == DesignItem::Source::PrintDate ? nullptr
                                                                          : recipients);
        const bool fixed =
            d.kind == DesignItem::Kind::Text || (d.kind != DesignItem::Kind::Field && d.column.isEmpty());
        if (fixed)
            m_records.setFixed(i, d.text);
        else if (d.source == DesignItem::Source::PrintDate)
            m_records.setDatePart(i, d.column);
        else if (d.source == DesignItem::Source::Recipient && d.column == QStringLiteral("快递单号"))
            m_records.setNumberItem(i);
    }
    m_records.setDriver(isBatch() ? recipients : nullptr);
}

WrapRule TemplateReport::wrapRule() const
{
    return m_adjustment.wordWrap ? WrapRule::Words : WrapRule::Bytes;
}

void TemplateReport::setWrapRule(WrapRule rule)
{
    m_adjustment.wordWrap = rule == WrapRule::Words;
}

void TemplateReport::printHook(TQRDBText* sender, QString& value) const
{
    const DesignItem* d = designItem(sender);
    if (!d)
        return;
    if (d->wrap == DesignItem::Wrap::Bytes && d->wrapBytes > 0) {
        value = BreakIntoLines(value, d->wrapBytes, wrapRule());
    } else if (d->wrap == DesignItem::Wrap::Width) {
        // Sideways items run along their height.
        const bool sideways = d->rotation == 90 || d->rotation == 270;
        value = ReportPainter::breakToWidth(sender->Font, value,
                                            sideways ? sender->Size.Height : sender->Size.Width);
    }
}
