#include "CommandLine.h"

#include "core/reading/NamedValues.h"

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

namespace {

CommandLine refusal(const QString &error)
{
    CommandLine line;
    line.action = CommandLine::Refuse;
    line.error = error;
    return line;
}

// --report or --events FROM TO FILE: days as yyyy-mm-dd, a file ending in
// what it is.
CommandLine parseDays(QStringList rest, CommandLine::Action action)
{
    const bool report = action == CommandLine::Report;
    const QString option = report ? QStringLiteral("--report") : QStringLiteral("--events");
    const QStringList endings = report
        ? QStringList{QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf"), QStringLiteral("csv")}
        : QStringList{QStringLiteral("csv")};
    CommandLine line;
    line.action = CommandLine::Refuse;
    // A script reads one line of error, not the usage.
    line.withUsage = false;
    if (const qsizetype at = rest.indexOf(QStringLiteral("--value")); at >= 0) {
        line.value = rest.value(at + 1);
        if (!isValueName(line.value)) {
            line.error = QStringLiteral("talvor: --value takes a value's name (letters, digits and _)");
            return line;
        }
        rest.remove(at, 2);
    }
    if (rest.size() != 3) {
        line.error = QStringLiteral("talvor: %1 takes FROM TO FILE (days as yyyy-mm-dd)").arg(option);
        return line;
    }
    line.from = QDate::fromString(rest[0], QStringLiteral("yyyy-MM-dd"));
    line.to = QDate::fromString(rest[1], QStringLiteral("yyyy-MM-dd"));
    line.file = rest[2];
    const QString ending = line.file.section(u'.', -1).toLower();
    if (!line.from.isValid() || !line.to.isValid())
        line.error =
            QStringLiteral("talvor: '%1' is not a day as yyyy-mm-dd").arg(line.from.isValid() ? rest[1] : rest[0]);
    else if (line.to < line.from)
        line.error = QStringLiteral("talvor: the %1 ends (%2) before it begins (%3)")
                         .arg(report ? QStringLiteral("report") : QStringLiteral("list"), rest[1], rest[0]);
    else if (!endings.contains(ending) || !line.file.contains(u'.'))
        line.error = report
            ? QStringLiteral("talvor: the report file must end in .png, .svg, .pdf or .csv: %1").arg(line.file)
            : QStringLiteral("talvor: the events file must end in .csv: %1").arg(line.file);
    else
        line.action = action;
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    for (const auto &[option, action] : {std::pair{QStringLiteral("--report"), CommandLine::Report},
                                         std::pair{QStringLiteral("--events"), CommandLine::Events}}) {
        if (const qsizetype at = arguments.indexOf(option); at > 0)
            return parseDays(arguments.mid(at + 1), action);
    }
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption status(QStringLiteral("status"), QString());
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(status);
    const QCommandLineOption headless(QStringLiteral("headless"), QString());
    parser.addOption(headless);
    const QCommandLineOption check(QStringLiteral("check"), QString());
    parser.addOption(check);
    const QCommandLineOption aim(QStringLiteral("aim"), QString());
    const QCommandLineOption phone(QStringLiteral("phone"), QString());
    parser.addOption(aim);
    parser.addOption(phone);
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("name"));
    parser.addOption(format);
    parser.parse(arguments);
    for (const QString &name : parser.unknownOptionNames()) {
        if (!isQtOption(name))
            return refusal(QStringLiteral("talvor: unknown option '%1'").arg(name));
    }
    CommandLine line;
    if (parser.isSet(help))
        line.action = CommandLine::ShowHelp;
    else if (parser.isSet(version))
        line.action = CommandLine::ShowVersion;
    else if (parser.isSet(status))
        line.action = CommandLine::Status;
    if (parser.isSet(headless)) {
        if (line.action != CommandLine::Run)
            return refusal(QStringLiteral("talvor: --headless goes alone"));
        line.action = CommandLine::Headless;
    }
    if (parser.isSet(check)) {
        if (line.action != CommandLine::Run || parser.isSet(headless))
            return refusal(QStringLiteral("talvor: --check goes alone"));
        line.action = CommandLine::Check;
    }
    line.aim = parser.isSet(aim);
    line.phone = parser.isSet(phone);
    if (line.phone && !line.aim)
        return refusal(QStringLiteral("talvor: --phone goes with --aim"));
    if (line.aim && line.action != CommandLine::Run)
        return refusal(QStringLiteral("talvor: --aim opens the window, so it goes alone or with --phone"));
    if (parser.isSet(format)) {
        if (line.action != CommandLine::Status || parser.value(format) != u"waybar")
            return refusal(QStringLiteral("talvor: --format goes with --status and takes waybar"));
        line.waybar = true;
    }
    return line;
}

QString usageText(const QString &programFolder)
{
    return QStringLiteral("Usage: talvor [--help] [--version] [--status] [--headless] [--check] [--aim [--phone]]\n"
                          "              [--report FROM TO FILE] [--events FROM TO FILE.csv] [--value NAME]\n"
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
                          "  -h, --help               show this text\n"
                          "  -v, --version            show the version\n"
                          "  --status                 print the running copy's last reading as one JSON\n"
                          "                           line; exit status 3 when none runs\n"
                          "  --status --format waybar print it as Waybar's JSON, also when none runs\n"
                          "  --headless               poll, keep the record and the log and share the\n"
                          "                           numbers without a window, until stopped (SIGTERM);\n"
                          "                           SIGHUP reads the settings again\n"
                          "  --check                  fetch the page once with this folder's settings and\n"
                          "                           print each step (login, answers, what each rule\n"
                          "                           found), secrets hidden; exit status 0 with a reading\n"
                          "  --aim                    open the Aim the Dish view at start\n"
                          "  --aim --phone            and serve it to a phone ([aim] listen= in Sharing.ini\n"
                          "                           fixes the address)\n"
                          "  --report FROM TO FILE    write the timeline of the days FROM to TO (yyyy-mm-dd,\n"
                          "                           both included) to FILE, by its ending: .png, .svg and\n"
                          "                           .pdf draw it, .csv gives one row per day; the daily\n"
                          "                           logs in the folder are folded in first\n"
                          "  --events FROM TO FILE.csv\n"
                          "                           list the low spells, outages and times Talvor was\n"
                          "                           not running in those days as CSV, one row each\n"
                          "  --value NAME             with --report or --events: the named value NAME\n"
                          "                           (Modem.ini [values]) in place of the reading\n")
        .arg(programFolder);
}

QString version()
{
    return QStringLiteral(TALVOR_VERSION);
}

QString versionText()
{
    return QStringLiteral("Talvor %1\nMIT licence: see the LICENSE file that comes with Talvor.\n")
        .arg(QStringLiteral(TALVOR_VERSION));
}

} // namespace talvor
