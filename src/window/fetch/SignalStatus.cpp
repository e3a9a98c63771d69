#include "SignalStatus.h"

#include "core/settings/ChangeCodes.h"
#include "core/settings/FormState.h"

#include <QCheckBox>
#include <QDateTime>

SignalStatus::SignalStatus(talvor::FormState &form, QCheckBox &NotifyAlerts, QObject *parent)
    : FormPart(parent)
    , m_form(form)
    , m_notifyAlerts(NotifyAlerts)
{
    m_dueAlert.setSingleShot(true);
    connect(&m_dueAlert, &QTimer::timeout, this, &SignalStatus::sendDueAlert);
    connect(&m_notifyAlerts, &QCheckBox::toggled, this, [this] { emit settingsChanged(talvor::AlertsSwitched); });
}

void SignalStatus::offerAlert(talvor::SignalWatch::Alert alert, const QString &text)
{
    if (!m_notifyAlerts.isChecked() || m_form.Loading)
        return;
    if (const auto shown = m_gate.offer(alert, text, QDateTime::currentMSecsSinceEpoch()))
        emit notify(*shown, m_gate.lastShownIsGoodNews());
    scheduleDueAlert();
}

void SignalStatus::offerProblem(const QString &text)
{
    if (m_notifyAlerts.isChecked() && !m_form.Loading)
        emit notify(text, false);
}

void SignalStatus::scheduleDueAlert()
{
    const qint64 due = m_gate.dueAtMs();
    if (due < 0)
        m_dueAlert.stop();
    else
        m_dueAlert.start(int(qBound<qint64>(0, due - QDateTime::currentMSecsSinceEpoch(), talvor::AlertGate::QuietMs)));
}

void SignalStatus::sendDueAlert()
{
    if (const auto text = m_gate.due(QDateTime::currentMSecsSinceEpoch()); text && m_notifyAlerts.isChecked())
        emit notify(*text, m_gate.lastShownIsGoodNews());
    scheduleDueAlert();
}
