#pragma once

#include <QString>
#include <QTime>
#include <QtGlobal>

#include <optional>

namespace talvor {

// What the last polls of the modem said, so the tray can tell good, bad and
// unknown apart without the window: the tip's status line, the stale state
// after polls that gave no reading, and the alerts a change deserves.
class SignalWatch {
public:
    // Polls in a row without a reading before the last reading counts as stale.
    static constexpr int StaleAfter = 3;

    enum class Alert { None, Low, Back, NotAnswering, AnsweringAgain };
    // Why a poll gave no reading, as far as the alert's words go.
    enum class Failure { NoAnswer, BadAddress, SearchTextMissing };
    struct Change {
        Alert alert = Alert::None;
        QString text;              // the alert's words
        bool staleChanged = false; // the poll began or ended the stale state
    };

    // A poll gave a reading (its text as shown, 57 or 5.5).
    Change reading(const QString &reading, double threshold, QTime at);
    // A poll gave none, for the reason the page view gives.
    Change noReading(const QString &reason, QTime at, Failure failure = Failure::NoAnswer);

    bool stale() const { return m_failures >= StaleAfter; }
    // "Last reading 57 at 14:03:12", "No reading since 14:03:12: <reason>";
    // empty before the first poll.
    QString statusLine() const;
    // Why the last poll gave no reading; empty when it gave one.
    QString lastFailure() const { return m_failures > 0 ? m_reason : QString(); }

private:
    QString m_reading;
    QTime m_since; // of the last reading, or of the first poll when none came yet
    QString m_reason;
    int m_failures = 0;
    bool m_haveReading = false;
    bool m_low = false;        // the last reading was at or below the threshold
    bool m_lowAlerted = false; // "Signal low" was said and "Signal back" not yet
};

// No more than one alert a minute: within the minute only the latest state
// counts, and it is told at the minute's end unless it is what was told last.
class AlertGate {
public:
    static constexpr qint64 QuietMs = 60'000;

    // The alert to show now, if any.
    std::optional<QString> offer(SignalWatch::Alert alert, const QString &text, qint64 nowMs);
    // The alert held back, once its minute is over; nothing otherwise.
    std::optional<QString> due(qint64 nowMs);
    // When due() may next give something; -1 when nothing waits.
    qint64 dueAtMs() const { return m_pending ? m_lastShownMs + QuietMs : -1; }
    // The alert shown last says the signal is fine again.
    bool lastShownIsGoodNews() const { return m_lastShownKind == kindOf(SignalWatch::Alert::Back); }

private:
    // Alerts that say the same about the signal: low; fine again; not answering.
    static int kindOf(SignalWatch::Alert alert);

    qint64 m_lastShownMs = -1;
    int m_lastShownKind = -1;
    std::optional<std::pair<int, QString>> m_pending;
};

} // namespace talvor
