#pragma once

#include "core/SignalWatch.h"

#include <QObject>
#include <QString>

namespace talvor {
struct FormState;
}
class Transfer;
class CrlfTextView;
class QLineEdit;
class QLabel;
namespace talvor {
class SignalEvents;
}

// The controls a fetch reads and fills.
struct FetchControls {
    Transfer *Inet1;
    CrlfTextView *Info_HTML;
    QLineEdit *txtURL;
    QLineEdit *SearchText;
    QLineEdit *ssThreshold;
    QLabel *Talvor;
};

// One request for the status page and what its transfer states write into the
// page view; a completed page is searched for the reading. What each poll
// gave goes to the signal events.
class StatusFetch : public QObject {
    Q_OBJECT
public:
    StatusFetch(talvor::FormState &form, const FetchControls &controls, talvor::SignalEvents &events,
                QObject *parent = nullptr);

    void FetchStatusPage();
    void Inet1_StateChanged(qint16 state);
    QString StateMessage(qint16 state);

signals:
    // The reading is in the label Talvor: the window runs its pipeline.
    void readingReady();

private:
    void reportTransferError(qint32 number);
    void noReading(const QString &reason, talvor::SignalWatch::Failure failure);

    talvor::FormState &m_form;
    FetchControls m_c;
    talvor::SignalEvents &m_events;
};
