#include "SharingSettings.h"

#include "core/AimRules.h"
#include "core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

const QString SharingSettings::FileName = QStringLiteral("Sharing.ini");

SharingSettings SharingSettings::load()
{
    SharingSettings s;
    if (!talvor::programFileExists(FileName))
        return s;
    const QSettings ini(QDir(talvor::programFolder()).filePath(FileName), QSettings::IniFormat);
    s.listen = ini.value(QStringLiteral("metrics/listen")).toString().trimmed();
    s.broker = ini.value(QStringLiteral("mqtt/broker")).toString().trimmed();
    s.user = ini.value(QStringLiteral("mqtt/user")).toString();
    s.password = ini.value(QStringLiteral("mqtt/password")).toString();
    s.topic = ini.value(QStringLiteral("mqtt/topic")).toString().trimmed();
    s.discovery = ini.value(QStringLiteral("mqtt/discovery")).toString().trimmed();
    s.instance = ini.value(QStringLiteral("instance/id")).toString().trimmed();
    s.aimListen = ini.value(QStringLiteral("aim/listen")).toString().trimmed();
    s.aimTenths = talvor::aimTenths(ini.value(QStringLiteral("aim/interval"), s.aimTenths).toDouble());
    s.aimFloor = std::clamp(ini.value(QStringLiteral("aim/floor"), s.aimFloor).toDouble(), 0.0, 100.0);
    // Written by hand, it may be readable by anyone on the machine.
    const QString path = ini.fileName();
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    if (!s.password.isEmpty() && (QFile::permissions(path) & others)) {
        const bool tightened = QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        s.loadNote = tightened
            ? QStringLiteral("%1 holds a password and others could read it: it is now readable by you alone.").arg(path)
            : QStringLiteral("%1 holds a password that others can read, and Talvor cannot change that.").arg(path);
    }
    return s;
}

QString SharingSettings::newInstanceId()
{
    return QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
}

namespace {

// Writes keys into the file, made owner-only from its first byte: a password
// never sits readable. QSettings writes a new file and gives it the old
// one's permissions. An error text, empty when written.
QString writeOwnerOnly(const std::function<void(QSettings &)> &write)
{
    const QString path = talvor::programFile(SharingSettings::FileName);
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

} // namespace

QString SharingSettings::save() const
{
    return writeOwnerOnly([this](QSettings &ini) {
        ini.setValue(QStringLiteral("metrics/listen"), listen);
        ini.setValue(QStringLiteral("mqtt/broker"), broker);
        ini.setValue(QStringLiteral("mqtt/user"), user);
        ini.setValue(QStringLiteral("mqtt/password"), password);
        ini.setValue(QStringLiteral("mqtt/topic"), topic);
        ini.setValue(QStringLiteral("mqtt/discovery"), discovery);
        ini.setValue(QStringLiteral("instance/id"), instance);
    });
}

QString SharingSettings::saveAim() const
{
    return writeOwnerOnly([this](QSettings &ini) {
        ini.setValue(QStringLiteral("aim/interval"), aimTenths);
        ini.setValue(QStringLiteral("aim/floor"), aimFloor);
    });
}
