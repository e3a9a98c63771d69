#include "PollSchedule.h"

#include "core/reading/Numbers.h"

#include <algorithm>

namespace talvor {

PollPlan pollPlan(const PollInputs &in)
{
    if (in.testMode)
        return {in.autoCheck || in.aimPaceMs.has_value(), in.intervalMs, false};
    if (in.paused)
        return {false, in.intervalMs, true};
    if (in.aimPaceMs)
        return {true, *in.aimPaceMs, true};
    return {in.autoCheck, in.backOffMs.value_or(in.intervalMs), true};
}

int aimWaitingAfterMs(int aimPaceMs)
{
    return std::max(1000, aimPaceMs);
}

QString everyText(double tenths)
{
    return QStringLiteral("every %1 s").arg(shortestText(tenths / 10.0));
}

} // namespace talvor
