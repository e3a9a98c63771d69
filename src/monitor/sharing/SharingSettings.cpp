#include "SharingSettings.h"

#include "core/aim/AimRules.h"
#include "core/program/ProgramFolder.h"
#include "core/program/WholeFile.h"
#include "monitor/OwnerOnlyFile.h"

#include <QDir>
#include <QFile>
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

QString SharingSettings::saveInstance() const
{
    const QString path = talvor::programFile(FileName);
    QFile file(path);
    QByteArray text;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("%1 could not be read: %2").arg(path, file.errorString());
        text = file.readAll();
        file.close();
    }
    // The id goes in place of an empty one, right under [instance], or in a
    // new section at the end.
    QList<QByteArray> lines = text.isEmpty() ? QList<QByteArray>() : text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QByteArray line = "id=" + instance.toUtf8();
    qsizetype header = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines[i].trimmed();
        if (trimmed.startsWith('['))
            inSection = trimmed.toLower() == "[instance]";
        if (inSection && header < 0)
            header = i;
        if (inSection && trimmed.split('=').value(0).trimmed().toLower() == "id") {
            lines[i] = line;
            header = -2;
            break;
        }
    }
    if (header >= 0)
        lines.insert(header + 1, line);
    else if (header == -1)
        lines << (lines.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{QByteArray()}) << "[instance]" << line;
    text = lines.join('\n') + '\n';
    if (const QString error = talvor::writeWholeFile(path, text, true); !error.isEmpty())
        return QStringLiteral("%1 could not be written: %2").arg(path, error);
    return {};
}

QString SharingSettings::saveAim() const
{
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
        ini.setValue(QStringLiteral("aim/interval"), aimTenths);
        ini.setValue(QStringLiteral("aim/floor"), aimFloor);
    });
}
