#pragma once

#include "window/form/FormPart.h"

namespace talvor {
struct FormState;
}
class Monitor;
class TestModes;
class CaptionLabel;
class QTimer;
class QScrollBar;
class QCheckBox;
class QPushButton;
class QLabel;

// The controls the poll schedule reads and sets.
struct PollControls {
    QScrollBar *HScroll1;
    CaptionLabel *M_refresh_rate;
    QLabel *DisplaySec;
    QCheckBox *EnableAutoCheck;
    QPushButton *GetHtml_button;
};

// What the user sets of when readings are taken: the refresh slider in
// tenths of a second, automatic checking on or off, and "Get File". The
// monitor's timer AutoCheck follows what they say.
class PollScheduler : public FormPart {
    Q_OBJECT
public:
    PollScheduler(const PollControls &controls, Monitor &monitor, QObject *parent = nullptr);

    void HScroll1_Change();
    void M_refresh_rate_Change();
    void EnableAutoCheck_Click();
    void GetHtml_button_Click();

private:
    PollControls m_c;
    Monitor &m_monitor;
};
