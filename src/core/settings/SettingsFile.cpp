#include "SettingsFile.h"

#include "core/program/ProgramFolder.h"
#include "core/program/WholeFile.h"
#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"

#include <QFile>

namespace talvor {

const QString SettingsFileName = QStringLiteral("Talvor.ini");
const QString SettingsSetAsideName = QStringLiteral("Talvor.ini.bad");

namespace {
// Files written before the last three fields existed still load.
constexpr int MinSettingsFields = 13;
} // namespace

int refreshTenths(const SettingsField &field)
{
    if (!isNumericText(field.text))
        return 50;
    return qBound(1, int(toInt16Clamped(leadingNumber(field.text))), 600);
}

PollSettings pollSettings(const SettingsRead &read)
{
    const Settings defaults = firstStartSettings();
    PollSettings poll{defaults.EnableAutoCheck != 0,
                      int(leadingNumber(defaults.M_refresh_rate)),
                      leadingNumber(defaults.ssThreshold),
                      defaults.SearchText,
                      defaults.txtURL,
                      false};
    if (read.outcome != SettingsRead::Read)
        return poll;
    QList<SettingsField> v = read.fields;
    v.resize(MaxSettingsFields);
    poll.autoCheck = v[0].number() != 0;
    // The slider snaps what it is given, as it does a user's drag.
    poll.tenths = snappedRefreshTenths(refreshTenths(v[1]));
    // The threshold box turns an empty text into 0 and any other non-number into 50.
    poll.threshold = v[3].text.isEmpty() ? 0 : isNumericText(v[3].text) ? leadingNumber(v[3].text) : 50;
    poll.searchText = v[5].text;
    poll.url = v[6].text;
    poll.logFile = v[16].number() != 0;
    return poll;
}

SettingsRead readSettingsFile()
{
    SettingsRead result;
    if (!programFileExists(SettingsFileName))
        return result;
    result.outcome = SettingsRead::Unreadable;
    QFile file(programFile(SettingsFileName));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    // Far more than the program ever writes (two full 32 767-character
    // boxes come to 65.5 kB): anything larger is not ours.
    if (file.size() > MaxSettingsBytes) {
        result.outcome = SettingsRead::TooLarge;
        return result;
    }
    const QByteArray content = file.read(MaxSettingsBytes + 1);
    if (file.error() != QFileDevice::NoError || content.size() > MaxSettingsBytes)
        return result;
    const auto fields = readSettingsFields(content);
    if (!fields || fields->size() < MinSettingsFields)
        return result;
    result.outcome = SettingsRead::Read;
    result.fields = *fields;
    return result;
}

QString writeSettingsFile(const talvor::Settings &settings)
{
    const QString path = programFile(SettingsFileName);
    const QString error = writeWholeFile(path, writeSettingsLine(settings));
    if (error.isEmpty())
        return {};
    return QStringLiteral("The settings could not be saved to %1: %2").arg(path, error);
}

QString setAsideSettingsFile()
{
    const QString aside = programFile(SettingsSetAsideName);
    QFile::remove(aside);
    QFile file(programFile(SettingsFileName));
    if (file.rename(aside))
        return {};
    return QStringLiteral("%1 could not be read, and could not be kept as %2: %3. It is left as it is.")
        .arg(file.fileName(), aside, file.errorString());
}

QString deleteSettingsFile()
{
    QFile file(programFile(SettingsFileName));
    if (file.remove())
        return {};
    return QStringLiteral("%1 could not be removed: %2. The settings it holds stay in use.")
        .arg(file.fileName(), file.errorString());
}

} // namespace talvor
