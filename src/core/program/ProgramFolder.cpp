#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

namespace talvor {

namespace {

// An installed copy has its shipped files in ../share/talvor beside its bin
// folder (../../share/talvor for the monitor in libexec/talvor); such a copy
// keeps the user's files in the user's data folder.
QString installedShareFolder()
{
    for (const QString &up : {QStringLiteral("/../share/talvor"), QStringLiteral("/../../share/talvor")}) {
        const QString share = QCoreApplication::applicationDirPath() + up;
        if (QFileInfo(share).isDir())
            return QDir::cleanPath(share);
    }
    return {};
}

QString executableOrDataFolder()
{
    const QString executable = QCoreApplication::applicationDirPath();
    if (installedShareFolder().isEmpty())
        return executable;
    // XDG_DATA_HOME/Talvor, by default ~/.local/share/Talvor.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return executable;
    return QDir(data).filePath(QStringLiteral("Talvor"));
}

bool hasFileNamed(const QString &folder, const QString &name)
{
    // Looked up by listing, so a name that differs only in letter case does not
    // count even on a file system that ignores case. (No name filter: Qt
    // would compile it into a regular expression.)
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (it.fileName() == name)
            return true;
    }
    return false;
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
    const QString folder = programFolder();
    // Made at the first write; every reading's log line must not ask again.
    static QString made;
    if (folder != made && QDir().mkpath(folder))
        made = folder;
    return QDir(folder).filePath(name);
}

bool programFileExists(const QString &name)
{
    return hasFileNamed(programFolder(), name);
}

QString locateShippedFile(const QString &name)
{
    // A portable copy run with TALVOR_HOME keeps its help beside the executable.
    const QString share = installedShareFolder();
    for (const QString &folder : {programFolder(), QCoreApplication::applicationDirPath(), share}) {
        if (!folder.isEmpty() && hasFileNamed(folder, name))
            return QDir(folder).filePath(name);
    }
    return {};
}

QString locateProgramPart(const QString &name, const QString &installed)
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {name, installed}) {
        if (QFileInfo::exists(here.filePath(candidate)))
            return QDir::cleanPath(here.filePath(candidate));
    }
    return {};
}

} // namespace talvor
