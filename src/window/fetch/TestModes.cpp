#include "TestModes.h"

#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"
#include "core/settings/FormState.h"
#include "window/form/CrlfTextView.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>

#include <cmath>

TestModes::TestModes(talvor::FormState &form, const TestModeControls &controls, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_c(controls)
    , m_random([] { return float(QRandomGenerator::global()->bounded(1 << 24)) / float(1 << 24); })
{
    // The rules of a box (the counter starts again, the other mode ends) run
    // on a mouse press, before the box changes; a tick from the keyboard or
    // from code changes the box alone, and with both ticked simulation wins.
    m_c.Simulate_Checkbox->installEventFilter(this);
    m_c.Step1to100SS->installEventFilter(this);
    for (QCheckBox *box : {m_c.Simulate_Checkbox, m_c.Step1to100SS})
        connect(box, &QCheckBox::toggled, this, [this] { emit activeChanged(active()); });
}

bool TestModes::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_c.Simulate_Checkbox)
            Simulate_Checkbox_MouseDown();
        else if (watched == m_c.Step1to100SS)
            Step1to100SS_MouseDown();
    }
    return QObject::eventFilter(watched, event);
}

bool TestModes::active() const
{
    return m_c.Simulate_Checkbox->isChecked() || m_c.Step1to100SS->isChecked();
}

void TestModes::Simulate_Checkbox_MouseDown()
{
    m_form.RequestNumber = 0;
    m_c.Step1to100SS->setChecked(false);
}

void TestModes::Step1to100SS_MouseDown()
{
    if (m_c.Simulate_Checkbox->isChecked())
        m_c.Simulate_Checkbox->setChecked(false);
    // The first step tick adds one and shows 0.
    m_form.RequestNumber = -1;
}

bool TestModes::tick()
{
    if (!active())
        return false;
    m_form.RequestNumber = talvor::nextRequestNumber(m_form.RequestNumber);
    if (m_c.Simulate_Checkbox->isChecked())
        simulateTick();
    else
        stepTick();
    return true;
}

void TestModes::simulateTick()
{
    const auto bounds = talvor::simulationBounds(talvor::leadingNumber(m_c.ssThreshold->text()));
    const int reading = talvor::simulatedReading(bounds, m_random());
    m_c.Talvor->setText(QString::number(reading));
    m_c.Info_HTML->replaceText(QStringLiteral("Simulation Mode!  Request number - %1\r\n").arg(m_form.RequestNumber));
    emit readingReady();
}

void TestModes::stepTick()
{
    m_c.Talvor->setText(QString::number(m_form.RequestNumber));
    m_c.Info_HTML->replaceText(
        QStringLiteral("Step 0-100 Signal Strength Mode!  Request number - %1\r\n").arg(m_form.RequestNumber));
    if (m_form.RequestNumber == 100)
        m_c.Step1to100SS->setChecked(false);
    emit readingReady();
}
