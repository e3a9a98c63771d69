#pragma once

#include <QString>
#include <QStringList>

namespace talvor {

struct CommandLine {
    enum Action { Run, ShowHelp, ShowVersion, Refuse } action = Run;
    QString error; // for Refuse: what was wrong
};

// Reads the program's arguments (the first is the program itself). Qt's own
// window options (-platform, -display, -style, ...) are left to Qt.
CommandLine parseCommandLine(const QStringList &arguments);

// What --help prints: what Talvor is, where it keeps its files, TALVOR_HOME.
QString usageText(const QString &programFolder);
// What --version prints: the version from the build and the licence.
QString versionText();

} // namespace talvor
