#pragma once

#include <QObject>

class Monitor;
class CrlfTextView;
class QLineEdit;
class QLabel;

// The controls a fetch reads and fills.
struct FetchControls {
    CrlfTextView *Info_HTML;
    QLineEdit *txtURL;
    QLineEdit *SearchText;
    QLineEdit *ssThreshold;
    QLabel *Talvor;
};

// The window's side of a fetch: the address, search text and threshold go
// to the monitor as their boxes change, each request's transcript comes
// into the page view, and a reading into the label Talvor.
class StatusFetch : public QObject {
    Q_OBJECT
public:
    StatusFetch(const FetchControls &controls, Monitor &monitor, QObject *parent = nullptr);

signals:
    // The reading is in the label Talvor: the window runs its pipeline.
    void readingReady();

private:
    FetchControls m_c;
};
