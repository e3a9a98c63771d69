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
    QTimer *AutoCheck;
    QScrollBar *HScroll1;
    CaptionLabel *M_refresh_rate;
    QLabel *DisplaySec;
    QCheckBox *EnableAutoCheck;
    QPushButton *GetHtml_button;
};

// When readings are taken: the poll timer AutoCheck, the refresh slider in
// tenths of a second, automatic checking on or off, and "Get File".
class PollScheduler : public FormPart {
    Q_OBJECT
public:
    PollScheduler(talvor::FormState &form, const PollControls &controls, Monitor &monitor, TestModes &testModes,
                  QObject *parent = nullptr);

    void AutoCheck_Timer();
    void HScroll1_Change();
    void M_refresh_rate_Change();
    void EnableAutoCheck_Click();
    void GetHtml_button_Click();

private:
    talvor::FormState &m_form;
    PollControls m_c;
    Monitor &m_monitor;
    TestModes &m_testModes;
};
