#include "AimRules.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace talvor {

void AimTrack::reading(double value, const QDateTime &at)
{
    m_last = value;
    m_reason.clear();
    if (!m_peak || value > *m_peak) {
        m_peak = value;
        m_peakAt = at;
    }
    if (!m_lowest || value < *m_lowest)
        m_lowest = value;
    m_recent.push_back(value);
    if (m_recent.size() > TrendSpan)
        m_recent.pop_front();
}

void AimTrack::noReading(const QString &reason)
{
    m_last.reset();
    m_reason = reason;
}

void AimTrack::reset()
{
    // The reading in sight stays; the figures start again from it.
    const std::optional<double> last = m_last;
    m_peak.reset();
    m_lowest.reset();
    m_recent.clear();
    if (last)
        reading(*last, QDateTime::currentDateTime());
}

AimTrack::Trend AimTrack::trend() const
{
    if (m_recent.size() < 3)
        return Trend::Steady;
    // The newest two against the oldest two in the span, so that one odd
    // reading weighs half; a change of a point or less is steady.
    const double newer = (m_recent[m_recent.size() - 1] + m_recent[m_recent.size() - 2]) / 2;
    const double older = (m_recent[0] + m_recent[1]) / 2;
    if (newer - older > 1)
        return Trend::Up;
    if (older - newer > 1)
        return Trend::Down;
    return Trend::Steady;
}

QString trendArrow(AimTrack::Trend trend)
{
    switch (trend) {
    case AimTrack::Trend::Up:
        return QStringLiteral("\u2191");
    case AimTrack::Trend::Down:
        return QStringLiteral("\u2193");
    case AimTrack::Trend::Steady:
        break;
    }
    return QStringLiteral("\u2192");
}

QByteArray aimJson(const AimTrack &track, double threshold, double floor, std::optional<int> waiting)
{
    const auto number = [](const std::optional<double> &value) { return value ? QJsonValue(*value) : QJsonValue(); };
    return QJsonDocument(QJsonObject{
                             {QStringLiteral("reading"), number(waiting ? std::nullopt : track.last())},
                             {QStringLiteral("waiting"), waiting ? QJsonValue(*waiting) : QJsonValue()},
                             {QStringLiteral("reason"), track.reason()},
                             {QStringLiteral("peak"), number(track.peak())},
                             {QStringLiteral("peak_time"), track.peakAt().time().toString(QStringLiteral("HH:mm:ss"))},
                             {QStringLiteral("lowest"), number(track.lowest())},
                             {QStringLiteral("trend"), trendArrow(track.trend())},
                             {QStringLiteral("threshold"), threshold},
                             {QStringLiteral("floor"), floor},
                         })
        .toJson(QJsonDocument::Compact);
}

std::optional<double> aimPitch(double reading, double floor)
{
    if (reading < floor)
        return std::nullopt;
    const double span = 100 - floor;
    const double share = span > 0 ? std::clamp((reading - floor) / span, 0.0, 1.0) : 0.0;
    return LowestPitch + (HighestPitch - LowestPitch) * share;
}

QByteArray renderBeep(double hz, int sampleRate, int milliseconds)
{
    const int count = sampleRate * milliseconds / 1000;
    const int fade = std::max(1, sampleRate * 5 / 1000);
    QByteArray samples(qsizetype(count) * 2, Qt::Uninitialized);
    auto *out = reinterpret_cast<qint16 *>(samples.data());
    for (int i = 0; i < count; ++i) {
        const double envelope = std::min({1.0, double(i) / fade, double(count - 1 - i) / fade});
        const double wave = std::sin(2 * std::numbers::pi * hz * i / sampleRate);
        out[i] = qint16(std::lround(wave * envelope * 0.3 * 32767));
    }
    return samples;
}

int aimTenths(double tenths)
{
    return std::clamp(int(std::lround(tenths)), 1, 20);
}

} // namespace talvor
