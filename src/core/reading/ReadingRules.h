#pragma once

#include <QString>
#include <QtGlobal>

// How a reading is judged and placed: the threshold, the tray icon it shows,
// the chart's value axis, the refresh slider's steps and the made-up readings
// of the test modes.
namespace talvor {

// A reading at or below the threshold is low: red bar, below-threshold icon.
constexpr bool belowThreshold(double value, double threshold)
{
    return value <= threshold;
}

// The icon of a reading: there are icons for 0 to 100 only, so anything larger
// shows as 100, however large; a negative reading stays negative and the icon
// code decides.
qint16 iconIndex(double reading);

// The slider value a refresh setting moves on to: from 5.0 seconds up the
// slider moves in whole seconds, so one step from a whole second lands on the
// next one. The same value when no correction is due.
int snappedRefreshTenths(int tenths);

// A value axis a person reads at a glance: bounds and a step of 1, 2 or 5
// times a power of ten that take in both values, with zero always on the axis.
struct AxisScale {
    double low;
    double high;
    double step;
};
AxisScale niceAxis(double minValue, double maxValue);
// The histogram's axis: 0 to 100 at least, so that bars do not jump in
// height as the largest reading changes; readings below 0 (another modem's
// dBm) get the range they have.
AxisScale chartAxis(double minValue, double maxValue);
// Where the bars stand: on zero, or on the bottom of an axis wholly below
// zero, so that a stronger (less negative) reading is the taller bar.
double barBase(const AxisScale &axis);

// The figures over the readings a chart shows, added one by one:
// "min 31  avg 52.4  max 66  23% at or below 50"; empty when there are none.
class ChartFigures {
public:
    explicit ChartFigures(double threshold)
        : m_threshold(threshold)
    {
    }
    void add(double reading);
    QString text() const;

private:
    double m_threshold;
    double m_low = 0;
    double m_high = 0;
    double m_sum = 0;
    qint64 m_count = 0;
    qint64 m_atOrBelow = 0;
};

// Simulated readings lie between the threshold minus 5 and plus 20, both
// rounded halves to even and kept within 16 bits.
struct SimulationBounds {
    qint16 SimLow;
    qint16 SimHigh;
};
SimulationBounds simulationBounds(double threshold);
// The reading for a draw r, 0 <= r < 1: every value from SimLow to SimHigh
// inclusive is equally likely.
int simulatedReading(const SimulationBounds &bounds, float r);

} // namespace talvor
