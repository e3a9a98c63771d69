#pragma once

#include "core/reading/SignalWatch.h"
#include "window/form/FormPart.h"

#include <QTimer>

namespace talvor {
struct FormState;
}
class QCheckBox;

// The alerts the user asked for ("Notify me when …"): no more than one a
// minute, the latest state told when the minute is over.
class SignalStatus : public FormPart {
    Q_OBJECT
public:
    SignalStatus(talvor::FormState &form, QCheckBox &NotifyAlerts, QObject *parent = nullptr);

    void offerAlert(talvor::SignalWatch::Alert alert, const QString &text);
    // A trouble of Talvor's own, told once as it arises.
    void offerProblem(const QString &text);

signals:
    void notify(const QString &text, bool goodNews);

private:
    void sendDueAlert();
    void scheduleDueAlert();

    talvor::FormState &m_form;
    QCheckBox &m_notifyAlerts;
    talvor::AlertGate m_gate;
    QTimer m_dueAlert;
};
