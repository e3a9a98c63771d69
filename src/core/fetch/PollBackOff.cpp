#include "PollBackOff.h"

#include <algorithm>
#include <cmath>

namespace talvor {

PollBackOff::PollBackOff(Jitter jitter)
    : m_jitter(std::move(jitter))
{
}

int PollBackOff::failed(int intervalMs)
{
    ++m_failures;
    if (m_failures <= FailuresBeforeBackOff || intervalMs >= LongestWaitMs)
        return intervalMs;
    const double doubled = std::ldexp(double(intervalMs), std::min(m_failures - FailuresBeforeBackOff, 30));
    const double wait = std::min<double>(doubled, LongestWaitMs) * (1 + 0.1 * std::clamp(m_jitter(), -1.0, 1.0));
    return int(std::lround(std::min<double>(wait, LongestWaitMs)));
}

} // namespace talvor
