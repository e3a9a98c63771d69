#pragma once

#include <QString>

#include <optional>

namespace talvor {

// Everything that decides when the next tick of the poll timer comes. The
// monitor holds these and asks the rule below after any of them changes.
struct PollInputs {
    int intervalMs = 5000;        // the interval the user set
    bool autoCheck = false;       // "Enable Auto Check"
    std::optional<int> backOffMs; // the wait after failures in a row, while it lasts
    bool paused = false;          // Pause Polling
    std::optional<int> aimPaceMs; // the aim view's pace, while it is open
    bool testMode = false;        // a test mode makes readings without a poll
};

struct PollPlan {
    bool ticking = false; // the timer runs
    int waitMs = 0;       // between ticks
    bool polls = false;   // a tick asks the modem (else it makes a test reading)
};

// A test mode ticks at the set interval whatever the modem did, and never
// asks it; the aim view sets its own pace and wants no back-off; a pause
// stops every request; otherwise the back-off's wait stands in for the
// interval while it lasts.
PollPlan pollPlan(const PollInputs &in);

// While aiming, a request that has not answered by then shows as waiting,
// and none may take longer than the second figure.
int aimWaitingAfterMs(int aimPaceMs);
constexpr int AimRequestTimeoutMs = 3000;

// "every 5 s", "every 0.5 s"
QString everyText(double tenths);

} // namespace talvor
