#pragma once

#include <QObject>

#include <functional>

namespace talvor {
struct FormState;
}
class CrlfTextView;
class QCheckBox;
class QLabel;
class QLineEdit;

// The controls the test modes read and set.
struct TestModeControls {
    QCheckBox *Simulate_Checkbox;
    QCheckBox *Step1to100SS;
    QLineEdit *ssThreshold;
    QLabel *Talvor;
    CrlfTextView *Info_HTML;
};

// Made-up readings fed through the whole pipeline without asking the modem:
// random ones around the threshold, or 0 to 100 one step a tick.
class TestModes : public QObject {
    Q_OBJECT
public:
    using RandomSource = std::function<float()>; // 0 <= r < 1

    TestModes(talvor::FormState &form, const TestModeControls &controls, QObject *parent = nullptr);

    void Simulate_Checkbox_MouseDown();
    void Step1to100SS_MouseDown();
    // The poll tick while a test mode is on; false when none is.
    bool tick();
    bool active() const;
    void setRandomSource(RandomSource random) { m_random = std::move(random); }

signals:
    // The made-up reading is in the label Talvor: the window runs its pipeline.
    void readingReady();
    // A box was ticked or unticked: whether a test mode is on now.
    void activeChanged(bool active);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void simulateTick();
    void stepTick();

    talvor::FormState &m_form;
    TestModeControls m_c;
    RandomSource m_random;
};
