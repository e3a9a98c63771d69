#include "SharingSettings.h"

#include "core/aim/AimRules.h"
#include "core/program/ProgramFolder.h"
#include "monitor/OwnerOnlyFile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSettings>

#include <algorithm>

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
    if (!s.password.isEmpty())
        s.loadNote = keepToOwner(ini.fileName());
    return s;
}

QString SharingSettings::newInstanceId()
{
    return QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
}

QString SharingSettings::save() const
{
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
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
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
        ini.setValue(QStringLiteral("aim/interval"), aimTenths);
        ini.setValue(QStringLiteral("aim/floor"), aimFloor);
    });
}
