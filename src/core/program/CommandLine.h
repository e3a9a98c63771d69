#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace talvor {

struct CommandLine {
    enum Action { Run, ShowHelp, ShowVersion, Status, Report, Events, Headless, Check, Refuse } action = Run;
    QString error;         // for Refuse: what was wrong
    bool withUsage = true; // for Refuse: the usage follows the error
    // For Report and Events: the days (both included) and the file, by its ending.
    QDate from;
    QDate to;
    QString file;
    QString value;       // --value NAME: a named value in place of the reading
    bool waybar = false; // for Status: Waybar's JSON, also when none runs
    bool aim = false;    // for Run: open the aim view at start
    bool phone = false;  // with aim: and serve the phone page
};

// The exit status of a start refused because another copy runs for the
// folder: a service manager is told not to start it again and again.
constexpr int AlreadyRunningExit = 4;

// Reads the program's arguments (the first is the program itself). Qt's own
// window options (-platform, -display, -style, ...) are left to Qt.
CommandLine parseCommandLine(const QStringList &arguments);

// What --help prints: what Talvor is, where it keeps its files, TALVOR_HOME.
QString usageText(const QString &programFolder);
// What --version prints: the version from the build and the licence.
QString versionText();
// The version alone ("0.2").
QString version();

} // namespace talvor
