#pragma once

#include <functional>

namespace talvor {

// Polite polling of a modem that gives no reading: after three polls in a
// row without one, each further failure doubles the wait, give or take a
// tenth at random so that many copies do not knock at once, up to five
// minutes. The first reading brings back the set interval.
class PollBackOff {
public:
    static constexpr int FailuresBeforeBackOff = 3;
    static constexpr int LongestWaitMs = 300'000;
    // A number in [-1, 1]; tests hand in their own.
    using Jitter = std::function<double()>;

    explicit PollBackOff(Jitter jitter);

    // The wait before the next poll after one more without a reading.
    int failed(int intervalMs);
    void succeeded() { m_failures = 0; }
    bool backingOff() const { return m_failures > FailuresBeforeBackOff; }

private:
    Jitter m_jitter;
    int m_failures = 0;
};

} // namespace talvor
