// Writes the program icon as PNG files for the icon theme, one per size:
// OUTDIR/<size>x<size>/apps/NAME.png. Run at build time.
// Usage: icon_writer OUTDIR NAME SIZE...
#include "gui/widgets/ToolIcons.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: icon_writer OUTDIR NAME SIZE...\n");
        return 2;
    }
    for (const QString& s : args.mid(3)) {
        const int size = s.toInt();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args.at(1)).arg(size);
        // Drawn at each size rather than scaled, so small icons stay sharp.
        const QPixmap pm = ToolIcons::drawn(ToolIcons::App, size).pixmap(size, size);
        if (size <= 0 || pm.width() != size || !QDir().mkpath(dir) ||
            !pm.save(dir + QLatin1Char('/') + args.at(2) + QStringLiteral(".png"), "PNG")) {
            std::fprintf(stderr, "icon_writer: cannot write the %s pixel icon\n", qPrintable(s));
            return 1;
        }
    }
    return 0;
}
