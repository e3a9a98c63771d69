#pragma once

#include "core/SignalWatch.h"

#include <QObject>
#include <QTimer>
#include <functional>

struct FormState;
class QCheckBox;
class QLineEdit;

// The controls the signal status reads.
struct StatusControls {
    QCheckBox *NotifyAlerts;
    QLineEdit *ssThreshold;
};

// Follows what every poll of the modem gave, a reading or none, and tells
// the tray: the tip's status line, the stale icon after polls without a
// reading, and, when the user asked for them, alerts as desktop notifications.
class SignalStatus : public QObject {
    Q_OBJECT
public:
    SignalStatus(FormState &form, const StatusControls &controls, std::function<void(qint16)> markChanged,
                 QObject *parent = nullptr);

    void readingTaken(const QString &reading);
    void noReading(const QString &reason,
                   talvor::SignalWatch::Failure failure = talvor::SignalWatch::Failure::NoAnswer);
    // Why the last poll gave no reading; empty when it gave one.
    QString lastFailure() const { return m_watch.lastFailure(); }

    // Where the news goes; the window wires them to the tray.
    std::function<void(const QString &line)> showStatusLine;
    std::function<void(bool stale)> showStale;
    std::function<void(const QString &text)> notify;

private:
    void tell(const talvor::SignalWatch::Change &change);
    void sendDueAlert();
    void scheduleDueAlert();

    FormState &m_form;
    StatusControls m_c;
    std::function<void(qint16)> m_markChanged;
    talvor::SignalWatch m_watch;
    talvor::AlertGate m_gate;
    QTimer m_dueAlert;
};
