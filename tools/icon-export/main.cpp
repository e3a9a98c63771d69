// Writes Talvor's program icon as PNG files for the desktop's icon theme:
//   talvor-icon-export <folder> <size>...
// Each size lands in <folder>/<size>x<size>/apps/talvor.png.
#include "window/tray/ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Runs at build time, often with no display at all.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: talvor-icon-export <folder> <size>...\n");
        return 2;
    }
    for (int i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "bad size: %s\n", qPrintable(args.at(i)));
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(1)).arg(size);
        if (!QDir().mkpath(folder) || !programIconImage(size).save(folder + QStringLiteral("/talvor.png"))) {
            std::fprintf(stderr, "cannot write the icon into %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
