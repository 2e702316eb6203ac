#pragma once

#include "exchange/TextTable.h"

#include <QByteArray>
#include <QString>

// Reads a CSV or tab-separated text file as shops' platforms and
// spreadsheet programs write them: UTF-8 with or without a byte-order mark,
// UTF-16 with one (Excel's "Unicode 文本"), else GB18030 (which GBK is part
// of); cells separated by commas or tabs, whichever the first line uses
// more of outside quotes; quoted cells may hold separators, line breaks and
// doubled quotes. Rows keep their record number (0-based) as their key;
// rows without any text are left out.
class CsvReader
{
public:
    enum class Encoding
    {
        Utf8,
        Utf16,
        Gb18030
    };

    // Decodes the file's bytes as the reader would; *encoding tells which.
    static QString decode(const QByteArray& bytes, Encoding* encoding = nullptr);
    // Comma or tab, from the first record of text.
    static QChar separator(QStringView text);

    // Parses decoded text into rows.
    static TextTable parse(const QString& text);

    // Reads a file; false with a Chinese reason when it cannot be read or is
    // larger than a text list reasonably is.
    bool read(const QString& path, QString* error);
    const TextTable& table() const { return m_rows; }
    Encoding encoding() const { return m_encoding; }

    static constexpr qint64 kMaxBytes = qint64(256) << 20;

private:
    TextTable m_rows;
    Encoding m_encoding = Encoding::Utf8;
};
