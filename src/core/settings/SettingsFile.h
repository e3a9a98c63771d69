#pragma once

#include "Settings.h"

namespace talvor {

extern const QString SettingsFileName;     // "Talvor.ini"
extern const QString SettingsSetAsideName; // "Talvor.ini.bad"

struct SettingsRead {
    enum Outcome { Missing, Read, Unreadable, TooLarge } outcome = Missing;
    QList<SettingsField> fields;
};

// Reads the settings file of the program's folder. A file that cannot be
// opened, or that holds fewer than 13 or more than 20 fields, is Unreadable;
// one over MaxSettingsBytes is TooLarge.
constexpr qint64 MaxSettingsBytes = 1024 * 1024;
SettingsRead readSettingsFile();

// The refresh field in tenths of a second, kept within the slider's range.
int refreshTenths(const SettingsField &field);

// What a poll takes from the settings, as the window's boxes would hold it
// after loading them; the first start's values where no file could be read.
struct PollSettings {
    bool autoCheck = true;
    int tenths = 50;
    double threshold = 50;
    QString searchText;
    QString url;
    bool logFile = false;
};
PollSettings pollSettings(const SettingsRead &read);

// Writes the whole file at once; a failed write leaves the old file whole.
// Returns an error text, empty on success.
QString writeSettingsFile(const talvor::Settings &settings);

// Moves an unreadable file aside (replacing an older one) instead of losing
// it, or removes the file. Each returns an error text, empty on success.
QString setAsideSettingsFile();
QString deleteSettingsFile();

} // namespace talvor
