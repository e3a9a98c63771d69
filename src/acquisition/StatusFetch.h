#pragma once

#include "monitor/PageFetch.h"

#include <QObject>

namespace talvor {
struct FormState;
class SignalEvents;
} // namespace talvor
class Transfer;
class CrlfTextView;
class QLineEdit;
class QLabel;

// The controls a fetch reads and fills.
struct FetchControls {
    Transfer *Inet1;
    CrlfTextView *Info_HTML;
    QLineEdit *txtURL;
    QLineEdit *SearchText;
    QLineEdit *ssThreshold;
    QLabel *Talvor;
};

// The window's fetch: the request takes the address, search text and
// threshold from their boxes, and its transcript goes into the page view;
// a reading goes into the label Talvor.
class StatusFetch : public QObject {
    Q_OBJECT
public:
    StatusFetch(talvor::FormState &form, const FetchControls &controls, talvor::SignalEvents &events,
                QObject *parent = nullptr);

    void FetchStatusPage();

signals:
    // The reading is in the label Talvor: the window runs its pipeline.
    void readingReady();

private:
    FetchControls m_c;
    PageFetch m_page;
};
