#pragma once

#include <QtGlobal>

namespace talvor {

// What the last unsaved settings change was, as SettingsDirty keeps it; any
// code above 0 makes the program ask before the change is lost.
enum ChangeCode : qint16 {
    NoChange = 0,
    LoggingSwitched = 1,
    AutoCheckChanged = 2,
    RefreshRateChanged = 3,
    MinimizeStartupChanged = 4,
    SearchTextChanged = 5,
    HistoryLengthChanged = 6,
    ThresholdChanged = 7,
    PaletteColourAssigned = 8,
    CustomColourAssigned = 9,
    FontChosen = 10,
    UrlChanged = 11,
    AlwaysInTraySwitched = 12,
    AlertsSwitched = 13,
};

} // namespace talvor
