#pragma once

#include <QtGlobal>

#include <optional>

namespace talvor {

// The few values that belong to the main window as a whole rather than to one
// control. Every subsystem is handed the same instance.
struct FormState {
    bool Loading = false;     // true while the start-up sequence runs
    qint32 RequestNumber = 0; // requests and test ticks in this run
    qint16 SettingsDirty = 0; // code of the last unsaved settings change, 0 when none
    qint16 CurrentTab = 1;    // 1..4, the tab whose panel is shown
    bool InTray = false;      // window hidden to the notification area
    qint16 IconIndex = 0;     // current reading rounded and capped at 100
    // The icon index of the last reading shown in this run; IconIndex also
    // serves the icon cache as its loop counter.
    std::optional<qint16> ReadingIndex;
};

} // namespace talvor
