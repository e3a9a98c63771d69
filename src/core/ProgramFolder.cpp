#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace talvor {

QString programFolder()
{
    const QString home = qEnvironmentVariable("TALVOR_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    return QCoreApplication::applicationDirPath();
}

QString programFile(const QString &name)
{
    return QDir(programFolder()).filePath(name);
}

bool programFileExists(const QString &name)
{
    // Looked up by listing, so a name that differs only in letter case does not
    // count even on a file system that ignores case.
    const QStringList found = QDir(programFolder()).entryList({name}, QDir::Files | QDir::Hidden | QDir::CaseSensitive);
    return found.contains(name);
}

} // namespace talvor
