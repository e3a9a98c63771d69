#include "CommandLine.h"

#include <QCommandLineParser>

namespace talvor {

namespace {

// The options QGuiApplication and QApplication take for themselves.
bool isQtOption(const QString &name)
{
    static const QStringList names = {
        QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"),
        QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"),   QStringLiteral("qwindowtitle"),
        QStringLiteral("reverse"),       QStringLiteral("session"),
        QStringLiteral("style"),         QStringLiteral("stylesheet"),
        QStringLiteral("widgetcount"),   QStringLiteral("display"),
        QStringLiteral("geometry"),      QStringLiteral("title"),
        QStringLiteral("name"),          QStringLiteral("nograb"),
        QStringLiteral("dograb"),        QStringLiteral("sync"),
        QStringLiteral("visual"),        QStringLiteral("ncols"),
        QStringLiteral("cmap"),
    };
    return names.contains(name);
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    parser.parse(arguments);
    for (const QString &name : parser.unknownOptionNames()) {
        if (!isQtOption(name))
            return {CommandLine::Refuse, QStringLiteral("talvor: unknown option '%1'").arg(name)};
    }
    if (parser.isSet(help))
        return {CommandLine::ShowHelp, {}};
    if (parser.isSet(version))
        return {CommandLine::ShowVersion, {}};
    return {};
}

QString usageText(const QString &programFolder)
{
    return QStringLiteral("Usage: talvor [--help] [--version]\n"
                          "\n"
                          "Talvor watches the signal strength of a satellite modem on your home network.\n"
                          "It polls the modem's plain-text status page and shows every reading in its\n"
                          "window title, as a bar in a histogram, as a number in its tray icon and, when\n"
                          "asked, as a line in a daily CSV log. It lives in the system tray: start it\n"
                          "again to bring its window forward.\n"
                          "\n"
                          "Files (Talvor.ini, the daily logs) are kept in:\n"
                          "  %1\n"
                          "Set TALVOR_HOME to keep them in another folder.\n"
                          "\n"
                          "  -h, --help     show this text\n"
                          "  -v, --version  show the version\n")
        .arg(programFolder);
}

QString versionText()
{
    return QStringLiteral("Talvor %1\nMIT licence: see the LICENSE file that comes with Talvor.\n")
        .arg(QStringLiteral(TALVOR_VERSION));
}

} // namespace talvor
