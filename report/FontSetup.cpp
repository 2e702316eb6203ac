#include "report/FontSetup.h"

#include <QFont>
#include <QStringList>

namespace FontSetup {

QStringList fallbackFamilies()
{
    // HanaMin A/B: Song-style (Mincho) faces with CJK Extensions A to F;
    // Symbola: black-and-white emoji, which print on any printer.
    return {QStringLiteral("HanaMinA"), QStringLiteral("HanaMinB"), QStringLiteral("Symbola")};
}

void install()
{
    QStringList song = {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                        QStringLiteral("Noto Serif CJK SC")};
    song += fallbackFamilies();
    QFont::insertSubstitutions(songFamily(), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"),
        QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")} + fallbackFamilies());
    QFont::insertSubstitutions(QString::fromUtf8(kInterfaceFamily), fallbackFamilies());
}

QFont songFont(int pixels, bool bold)
{
    QFont f(songFamily());
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont interfaceFont(int pixels, bool bold)
{
    QFont f;
    f.setFamilies(QStringList{QString::fromUtf8(kInterfaceFamily)} + fallbackFamilies());
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace FontSetup
