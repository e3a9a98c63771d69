#pragma once

#include <QObject>
#include <functional>

struct FormState;
struct FormControls;

namespace talvor {
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

// Made-up readings fed through the whole pipeline without asking the modem:
// random ones around the threshold, or 0 to 100 one step a tick.
class TestModes : public QObject {
    Q_OBJECT
public:
    using RandomSource = std::function<float()>; // 0 <= r < 1

    TestModes(FormState &form, const FormControls &controls, std::function<void()> processNewReading,
              QObject *parent = nullptr);

    void Simulate_Checkbox_MouseDown();
    void Step1to100SS_MouseDown();
    // The poll tick while a test mode is on; false when none is.
    bool tick();
    void setRandomSource(RandomSource random) { m_random = std::move(random); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void simulateTick();
    void stepTick();

    FormState &m_form;
    const FormControls &m_c;
    std::function<void()> m_processNewReading;
    RandomSource m_random;
};
