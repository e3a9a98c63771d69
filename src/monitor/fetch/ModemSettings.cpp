#include "ModemSettings.h"

#include "core/program/ProgramFolder.h"
#include "monitor/OwnerOnlyFile.h"

#include <QDir>
#include <QSettings>

const QString ModemSettings::FileName = QStringLiteral("Modem.ini");

ModemSettings ModemSettings::load()
{
    ModemSettings s;
    if (!talvor::programFileExists(FileName))
        return s;
    const QSettings ini(QDir(talvor::programFolder()).filePath(FileName), QSettings::IniFormat);
    const QString rule = ini.value(QStringLiteral("reading/rule")).toString();
    if (const auto kind = talvor::readingRuleKind(rule))
        s.rule.kind = *kind;
    else if (!rule.trimmed().isEmpty())
        s.notes << QStringLiteral("%1: the reading rule \"%2\" is not one of three, number, regex or json; the "
                                  "three characters after the search text are read.")
                       .arg(ini.fileName(), rule);
    s.rule.pattern = ini.value(QStringLiteral("reading/pattern")).toString();
    s.user = ini.value(QStringLiteral("login/user")).toString();
    s.password = ini.value(QStringLiteral("login/password")).toString();
    if (!s.password.isEmpty()) {
        s.notes << QStringLiteral("The modem's password is kept in %1, readable by you alone.").arg(ini.fileName());
        if (const QString tightened = keepToOwner(ini.fileName()); !tightened.isEmpty())
            s.notes << tightened;
    }
    return s;
}

QString ModemSettings::saveReading() const
{
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
        ini.setValue(QStringLiteral("reading/rule"), talvor::readingRuleName(rule.kind));
        ini.setValue(QStringLiteral("reading/pattern"), rule.pattern);
    });
}

QString ModemSettings::saveLogin() const
{
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
        ini.setValue(QStringLiteral("login/user"), user);
        ini.setValue(QStringLiteral("login/password"), password);
    });
}
