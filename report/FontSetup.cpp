#include "report/FontSetup.h"

#include <QFont>
#include <QStringList>

namespace FontSetup {

void install()
{
    const QStringList song = {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                              QStringLiteral("Noto Serif CJK SC")};
    QFont::insertSubstitutions(songFamily(), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")});
}

QFont songFont(int pixels, bool bold)
{
    QFont f(songFamily());
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace FontSetup
