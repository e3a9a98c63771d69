#include "OwnerOnlyFile.h"

#include "core/program/ProgramFolder.h"

#include <QFile>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString writeOwnerOnly(const QString &fileName, const std::function<void(QSettings &)> &write)
{
    const QString path = talvor::programFile(fileName);
    // QSettings writes a new file and gives it the old one's permissions:
    // the old one is owner-only before the first key is written.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const bool ownerOnly = fd >= 0 && ::fchmod(fd, 0600) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!ownerOnly)
        return QStringLiteral("%1 could not be made readable by you alone").arg(path);
    QSettings ini(path, QSettings::IniFormat);
    write(ini);
    ini.sync();
    if (ini.status() != QSettings::NoError || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner))
        return QStringLiteral("%1 could not be written").arg(path);
    return {};
}

QString keepToOwner(const QString &path)
{
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    if (!(QFile::permissions(path) & others))
        return {};
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner)
        ? QStringLiteral("%1 holds a password and others could read it: it is now readable by you alone.").arg(path)
        : QStringLiteral("%1 holds a password that others can read, and Talvor cannot change that.").arg(path);
}
