#pragma once

// The layouts name the Windows fonts "宋体" and "MS Sans Serif". Map them to
// the fonts installed here, once, before any text is measured: "宋体" to
// the Song-style "AR PL UMing CN", whose Latin letters are exactly half a
// Chinese character wide as in the original. Without the mapping Chinese
// text falls back to a Hei (sans) font.
#include <QFont>
#include <QString>

namespace FontSetup {
void install();
// The family the layouts use for every item.
inline constexpr const char* kSongFamily = "宋体";
inline QString songFamily()
{
    return QString::fromUtf8(kSongFamily);
}
// The Song face at a size in pixels, as the windows' labels and grids use it.
QFont songFont(int pixels, bool bold = false);
} // namespace FontSetup
