#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <deque>
#include <optional>

namespace talvor {

// What aiming the dish needs of the readings: the last one, the peak and the
// lowest since the user's reset, and which way the last few are going. A
// poll without a reading is shown as such and changes none of the figures.
class AimTrack {
public:
    enum class Trend { Steady, Up, Down };
    // Readings the trend looks back over.
    static constexpr size_t TrendSpan = 5;

    void reading(double value, const QDateTime &at);
    void noReading(const QString &reason);
    void reset();

    std::optional<double> last() const { return m_last; }
    std::optional<double> peak() const { return m_peak; }
    QDateTime peakAt() const { return m_peakAt; }
    std::optional<double> lowest() const { return m_lowest; }
    // Why the last poll gave no reading; empty when it gave one.
    QString reason() const { return m_reason; }
    Trend trend() const;

private:
    std::optional<double> m_last;
    std::optional<double> m_peak;
    QDateTime m_peakAt;
    std::optional<double> m_lowest;
    QString m_reason;
    std::deque<double> m_recent;
};

// "↑", "↓" or "→".
QString trendArrow(AimTrack::Trend trend);

// What the phone page shows, as one JSON object; below the floor its tone is silent.
// While a request holds polling up, `waiting` is the last reading's age in
// seconds, and no reading is given as current.
QByteArray aimJson(const AimTrack &track, double threshold, double floor, std::optional<int> waiting = std::nullopt);

// The tone's pitch for a reading: silent below the floor, then rising
// steadily from 300 Hz at the floor to 1500 Hz at 100 and above.
std::optional<double> aimPitch(double reading, double floor);
constexpr double LowestPitch = 300;
constexpr double HighestPitch = 1500;

// One short beep at the pitch: signed 16-bit mono samples, faded in and out
// so that it does not click.
QByteArray renderBeep(double hz, int sampleRate, int milliseconds);

// The aim interval in tenths of a second, 0.1 s to 2 s.
int aimTenths(double tenths);

} // namespace talvor
