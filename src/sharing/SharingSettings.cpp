#include "SharingSettings.h"

#include "core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <sys/stat.h>

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
    return s;
}

QString SharingSettings::save() const
{
    const QString path = talvor::programFile(FileName);
    // Made owner-only from its first byte: a password never sits readable.
    const mode_t before = ::umask(077);
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(QStringLiteral("metrics/listen"), listen);
    ini.setValue(QStringLiteral("mqtt/broker"), broker);
    ini.setValue(QStringLiteral("mqtt/user"), user);
    ini.setValue(QStringLiteral("mqtt/password"), password);
    ini.setValue(QStringLiteral("mqtt/topic"), topic);
    ini.setValue(QStringLiteral("mqtt/discovery"), discovery);
    ini.sync();
    ::umask(before);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    if (ini.status() != QSettings::NoError)
        return QStringLiteral("%1 could not be written").arg(path);
    return {};
}
