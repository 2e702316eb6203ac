#pragma once

// Builders of BIFF8 records and workbooks for the reader tests: records by
// hand, put into a workbook our own Biff8Writer wrote.

#include <QByteArray>
#include <QFile>
#include <QVector>
#include <QtEndian>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

namespace BiffRecords {

inline void put8(QByteArray& b, quint8 v)
{
    b.append(char(v));
}
inline void put16(QByteArray& b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
inline void put32(QByteArray& b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}
inline QByteArray record(quint16 type, const QByteArray& body)
{
    QByteArray r;
    put16(r, type);
    put16(r, quint16(body.size()));
    return r + body;
}

inline quint16 u16At(const QByteArray& s, qsizetype at)
{
    return qFromLittleEndian<quint16>(s.constData() + at);
}

// Where a replacement goes: sheet (0-based), row, column. Sheet -1: the
// records go into the workbook globals, before the first BOUNDSHEET.
struct Patch
{
    int sheet;
    int row;
    int col;
    QByteArray records;
};

// The writer's workbook stream with the cell records named by the patches
// replaced (or global records added), and the sheet positions in BOUNDSHEET set again.
inline QByteArray patched(const QByteArray& stream, const QVector<Patch>& patches)
{
    QByteArray out;
    QVector<qsizetype> sheetPositions;
    QVector<qsizetype> boundSheetAt;
    int sheet = -1; // -1: workbook globals
    for (qsizetype pos = 0; pos + 4 <= stream.size();) {
        const quint16 type = u16At(stream, pos);
        const qsizetype len = u16At(stream, pos + 2);
        const QByteArray whole = stream.mid(pos, 4 + len);
        pos += 4 + len;
        if (type == 0x0809 && u16At(whole, 6) == 0x0010) {
            ++sheet;
            sheetPositions << out.size();
        }
        if (type == 0x0085 && boundSheetAt.isEmpty())
            for (const Patch& p : patches)
                if (p.sheet < 0)
                    out += p.records;
        if (type == 0x0085)
            boundSheetAt << out.size() + 4;
        const bool cell = type == 0x00FD || type == 0x0203 || type == 0x027E || type == 0x0205;
        bool replaced = false;
        for (const Patch& p : patches) {
            if (cell && sheet == p.sheet && u16At(whole, 4) == p.row && u16At(whole, 6) == p.col) {
                out += p.records;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += whole;
    }
    for (int i = 0; i < boundSheetAt.size() && i < sheetPositions.size(); ++i)
        qToLittleEndian(quint32(sheetPositions.at(i)), out.data() + boundSheetAt.at(i));
    return out;
}

inline bool saveCompound(const QString& path, QByteArray stream)
{
    gsf_init();
    if (stream.size() < 4096)
        stream.append(QByteArray(4096 - stream.size(), '\0'));
    GsfOutput* sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    if (!sink)
        return false;
    GsfOutfile* ole = gsf_outfile_msole_new(sink);
    GsfOutput* child = gsf_outfile_new_child(ole, "Workbook", FALSE);
    bool ok =
        gsf_output_write(child, gsize(stream.size()), reinterpret_cast<const guint8*>(stream.constData()));
    ok = gsf_output_close(child) && ok;
    g_object_unref(child);
    ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
    g_object_unref(ole);
    if (!gsf_output_is_closed(sink))
        ok = gsf_output_close(sink) && ok;
    g_object_unref(sink);
    return ok;
}

} // namespace BiffRecords
