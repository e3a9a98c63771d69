#include "SignalStatus.h"

#include "core/ChangeCodes.h"
#include "core/FormState.h"
#include "core/Numbers.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>

SignalStatus::SignalStatus(FormState &form, const StatusControls &controls, std::function<void(qint16)> markChanged,
                           QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_c(controls)
    , m_markChanged(std::move(markChanged))
{
    m_dueAlert.setSingleShot(true);
    connect(&m_dueAlert, &QTimer::timeout, this, &SignalStatus::sendDueAlert);
    connect(m_c.NotifyAlerts, &QCheckBox::toggled, this, [this] { m_markChanged(talvor::AlertsSwitched); });
}

void SignalStatus::readingTaken(const QString &reading)
{
    tell(m_watch.reading(reading, talvor::leadingNumber(m_c.ssThreshold->text()), QTime::currentTime()));
}

void SignalStatus::noReading(const QString &reason, talvor::SignalWatch::Failure failure)
{
    tell(m_watch.noReading(reason, QTime::currentTime(), failure));
}

void SignalStatus::tell(const talvor::SignalWatch::Change &change)
{
    if (showStale && change.staleChanged)
        showStale(m_watch.stale());
    if (showStatusLine)
        showStatusLine(m_watch.statusLine());
    if (!m_c.NotifyAlerts->isChecked() || m_form.Loading || !notify)
        return;
    if (const auto text = m_gate.offer(change.alert, change.text, QDateTime::currentMSecsSinceEpoch()))
        notify(*text);
    scheduleDueAlert();
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
    if (const auto text = m_gate.due(QDateTime::currentMSecsSinceEpoch()); text && m_c.NotifyAlerts->isChecked() && notify)
        notify(*text);
    scheduleDueAlert();
}
