#include "ReadingRules.h"

#include "Numbers.h"

#include <cmath>

namespace talvor {

qint16 iconIndex(double reading)
{
    return reading > 100 ? qint16(100) : toInt16Clamped(reading);
}

int snappedRefreshTenths(int tenths)
{
    if (tenths > 49 && tenths % 10 == 1)
        return tenths + 9;
    if (tenths > 49 && tenths % 10 == 9)
        return tenths - 9;
    return tenths;
}

AxisScale niceAxis(double minValue, double maxValue)
{
    double low = std::min(0.0, minValue);
    double high = std::max(0.0, maxValue);
    if (high - low < 10)
        high = low + 10;
    const double raw = (high - low) / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= raw)
            break;
    }
    return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

AxisScale chartAxis(double minValue, double maxValue)
{
    return niceAxis(minValue, minValue < 0 ? maxValue : std::max(maxValue, 100.0));
}

double barBase(const AxisScale &axis)
{
    return axis.high <= 0 ? axis.low : 0;
}

void ChartFigures::add(double reading)
{
    m_low = m_count == 0 ? reading : std::min(m_low, reading);
    m_high = m_count == 0 ? reading : std::max(m_high, reading);
    m_sum += reading;
    ++m_count;
    m_atOrBelow += belowThreshold(reading, m_threshold);
}

QString ChartFigures::text() const
{
    if (m_count == 0)
        return {};
    const auto n = double(m_count);
    return QStringLiteral("min %1  avg %2  max %3  %4% at or below %5")
        .arg(shortestText(m_low), QString::number(m_sum / n, 'f', 1), shortestText(m_high),
             QString::number(qRound(100.0 * double(m_atOrBelow) / n)), shortestText(m_threshold));
}

SimulationBounds simulationBounds(double threshold)
{
    return {toInt16Clamped(threshold - 5), toInt16Clamped(threshold + 20)};
}

int simulatedReading(const SimulationBounds &bounds, float r)
{
    const int n = int(bounds.SimHigh) - int(bounds.SimLow) + 1;
    // In double the product and the sum of these single-precision values are exact.
    return int(std::floor(double(n) * double(r) + double(bounds.SimLow)));
}

} // namespace talvor
