#pragma once

// The layouts name the Windows fonts "宋体" and "MS Sans Serif". Map them to
// the fonts installed here, once, before any text is measured: "宋体" to
// the Song-style "AR PL UMing CN", whose Latin letters are exactly half a
// Chinese character wide as in the original. Without the mapping Chinese
// text falls back to a Hei (sans) font. Characters the Song face lacks
// (emoji, the rarer CJK extensions) come from fallback faces, so that what
// is stored is what prints.
#include <QFont>
#include <QString>
#include <QStringList>

namespace FontSetup {
void install();
// The family the layouts use for every item.
inline constexpr const char* kSongFamily = "宋体";
inline QString songFamily()
{
    return QString::fromUtf8(kSongFamily);
}
// The Song face at a size in pixels, for what stands for print.
QFont songFont(int pixels, bool bold = false);
// The faces tried, in order, for characters the Song face doesn't have.
QStringList fallbackFamilies();
// The windows' own texts: a sans CJK face, whose "l" and "1" differ at
// small sizes, with the same fallbacks.
inline constexpr const char* kInterfaceFamily = "Noto Sans CJK SC";
QFont interfaceFont(int pixels, bool bold = false);
} // namespace FontSetup
