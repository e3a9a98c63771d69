#include "SignalWatch.h"

#include "Numbers.h"
#include "ReadingRules.h"

namespace talvor {

namespace {
QString clock(QTime t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

SignalWatch::Change SignalWatch::reading(const QString &reading, double threshold, QTime at)
{
    const bool wasStale = stale();
    // The first reading counts as a fall too: a start at 42 is a low signal.
    const bool wasLow = m_haveReading && m_low;
    m_reading = reading;
    m_since = at;
    m_failures = 0;
    m_haveReading = true;
    m_low = belowThreshold(leadingNumber(reading), threshold);
    if (m_low && !wasLow) {
        m_lowAlerted = true;
        return {Alert::Low, QStringLiteral("Signal low: %1 (threshold %2)").arg(reading, shortestText(threshold)),
                wasStale};
    }
    if (!m_low && m_lowAlerted) {
        m_lowAlerted = false;
        return {Alert::Back, QStringLiteral("Signal back: %1").arg(reading), wasStale};
    }
    if (wasStale)
        return {Alert::AnsweringAgain, QStringLiteral("Modem answering again: %1").arg(reading), true};
    return {};
}

SignalWatch::Change SignalWatch::noReading(const QString &reason, QTime at, Failure failure)
{
    if (!m_haveReading && m_failures == 0)
        m_since = at;
    m_reason = reason;
    if (++m_failures == StaleAfter) {
        // The two commonest set-up mistakes must not read as a modem that is off.
        switch (failure) {
        case Failure::SearchTextMissing:
            return {Alert::NotAnswering, QStringLiteral("Modem answers, but the search text is not on its page"), true};
        case Failure::BadAddress:
            return {Alert::NotAnswering, QStringLiteral("Modem cannot be reached at that address: %1").arg(reason),
                    true};
        case Failure::NoAnswer:
            break;
        }
        return {Alert::NotAnswering, QStringLiteral("Modem not answering: %1").arg(reason), true};
    }
    m_failures = qMin(m_failures, StaleAfter);
    return {};
}

QString SignalWatch::statusLine() const
{
    if (m_failures > 0)
        return QStringLiteral("No reading since %1: %2").arg(clock(m_since), m_reason);
    if (m_haveReading)
        return QStringLiteral("Last reading %1 at %2").arg(m_reading, clock(m_since));
    return {};
}

int AlertGate::kindOf(SignalWatch::Alert alert)
{
    switch (alert) {
    case SignalWatch::Alert::Low:
        return 0;
    case SignalWatch::Alert::NotAnswering:
        return 2;
    default:
        return 1;
    }
}

std::optional<QString> AlertGate::offer(SignalWatch::Alert alert, const QString &text, qint64 nowMs)
{
    if (alert == SignalWatch::Alert::None)
        return std::nullopt;
    if (m_lastShownMs >= 0 && nowMs - m_lastShownMs < QuietMs) {
        m_pending = std::make_pair(kindOf(alert), text);
        return std::nullopt;
    }
    m_pending.reset();
    m_lastShownMs = nowMs;
    m_lastShownKind = kindOf(alert);
    return text;
}

std::optional<QString> AlertGate::due(qint64 nowMs)
{
    if (!m_pending || nowMs - m_lastShownMs < QuietMs)
        return std::nullopt;
    const auto [kind, text] = *m_pending;
    m_pending.reset();
    if (kind == m_lastShownKind)
        return std::nullopt;
    m_lastShownMs = nowMs;
    m_lastShownKind = kind;
    return text;
}

} // namespace talvor
