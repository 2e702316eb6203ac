#include "report/BarcodeSymbol.h"

#include <zint.h>

#include <cmath>
#include <memory>

namespace {
struct SymbolDeleter
{
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
} // namespace

bool BarcodeSymbol::encode(Type type, const QString& text, BarcodeSymbol* out, QString* error)
{
    *out = BarcodeSymbol();
    out->m_type = type;
    if (text.isEmpty())
        return true;
    std::unique_ptr<zint_symbol, SymbolDeleter> s(ZBarcode_Create());
    if (!s) {
        if (error)
            *error = QStringLiteral("条码库无法工作。");
        return false;
    }
    const QByteArray utf8 = text.toUtf8();
    s->input_mode = UNICODE_MODE;
    if (type == Type::Code128) {
        s->symbology = BARCODE_CODE128;
    } else {
        s->symbology = BARCODE_QRCODE;
        s->option_1 = 2; // error correction M
        // Chinese text goes as UTF-8 with its ECI, which every reader knows.
        bool ascii = true;
        for (char c : utf8)
            ascii = ascii && uchar(c) < 0x80;
        if (!ascii)
            s->eci = 26;
    }
    const int rc =
        ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(utf8.constData()), int(utf8.size()));
    if (rc >= ZINT_ERROR || s->width <= 0 || s->rows <= 0) {
        if (error)
            *error =
                type == Type::Code128
                    ? QStringLiteral("“%1”无法印成 Code 128 条码（只能用英文字母、数字和符号）。").arg(text)
                    : QStringLiteral("“%1”无法印成二维码（文字太长）。").arg(text);
        return false;
    }
    // Code 128 has one row of bars; zint may repeat it for the height.
    const int rows = type == Type::Code128 ? 1 : s->rows;
    out->m_width = s->width;
    out->m_rows = rows;
    out->m_bits.resize(qsizetype(rows) * s->width);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < s->width; ++c)
            out->m_bits[r * s->width + c] = char((s->encoded_data[r][c >> 3] >> (c & 7)) & 1);
    return true;
}

QVector<QRectF> BarcodeSymbol::darkRuns() const
{
    QVector<QRectF> out;
    for (int r = 0; r < m_rows; ++r) {
        int c = 0;
        while (c < m_width) {
            if (!isSet(r, c)) {
                ++c;
                continue;
            }
            const int start = c;
            while (c < m_width && isSet(r, c))
                ++c;
            out.append(QRectF(start, r, c - start, 1));
        }
    }
    return out;
}

QString BarcodeSymbol::code128Misfits(const QString& text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        // A character beyond the BMP comes as a pair; keep the pair whole.
        const int n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, n);
        if (c.at(0).unicode() > 0xff && !out.contains(c))
            out += c;
        i += n - 1;
    }
    return out;
}

double BarcodeSymbol::moduleMm(int modules, double roomMm)
{
    if (modules <= 0)
        return kModuleStepMm;
    const double steps = std::floor(roomMm / (modules * kModuleStepMm) + 1e-9);
    return std::max(1.0, steps) * kModuleStepMm;
}
