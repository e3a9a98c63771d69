#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace talvor {

namespace {

QString executableOrDataFolder()
{
    const QString executable = QCoreApplication::applicationDirPath();
    if (QFileInfo(executable).isWritable())
        return executable;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data))
        return executable;
    return data;
}

bool hasFileNamed(const QString &folder, const QString &name)
{
    // Looked up by listing, so a name that differs only in letter case does not
    // count even on a file system that ignores case.
    return QDir(folder).entryList({name}, QDir::Files | QDir::Hidden | QDir::CaseSensitive).contains(name);
}

} // namespace

QString programFolder()
{
    const QString home = qEnvironmentVariable("TALVOR_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    // The executable does not move while the program runs: decide once.
    static const QString folder = executableOrDataFolder();
    return folder;
}

QString programFile(const QString &name)
{
    return QDir(programFolder()).filePath(name);
}

bool programFileExists(const QString &name)
{
    return hasFileNamed(programFolder(), name);
}

QString locateShippedFile(const QString &name)
{
    // A folder named by TALVOR_HOME holds everything the program uses.
    if (!qEnvironmentVariableIsEmpty("TALVOR_HOME"))
        return hasFileNamed(programFolder(), name) ? programFile(name) : QString();
    const QString executable = QCoreApplication::applicationDirPath();
    for (const QString &folder : {programFolder(), executable, executable + QStringLiteral("/../share/talvor")}) {
        if (hasFileNamed(folder, name))
            return QDir(folder).filePath(name);
    }
    return {};
}

} // namespace talvor
