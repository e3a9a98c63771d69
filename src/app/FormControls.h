#pragma once

#include <array>

class QMainWindow;
class QWidget;
class QTabBar;
class QLabel;
class QLineEdit;
class QPushButton;
class QCheckBox;
class QScrollBar;
class QTimer;
class QMenu;
class QAction;
class QPlainTextEdit;
class PageView;
class Transfer;

// Every control of the main window, under the name the program knows it by.
// All are children of the window; this struct only points at them.
struct FormControls {
    // Menu bar
    QMenu *MenuFile = nullptr;
    QAction *Save_Options = nullptr;
    QAction *MenuExit = nullptr;
    QAction *menuresettodefault = nullptr;

    // Tab strip and its four panels (Frame1[0] is the first tab's panel)
    QTabBar *ChooseView = nullptr;
    std::array<QWidget *, 4> Frame1{};

    // "HTML"
    PageView *Info_HTML = nullptr;

    // "Options"
    QLineEdit *txtURL = nullptr;
    QLineEdit *SearchText = nullptr;
    QPushButton *GetHtml_button = nullptr;
    QCheckBox *EnableAutoCheck = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QLabel *M_refresh_rate = nullptr;
    QLabel *DisplaySec = nullptr;
    QLineEdit *SShistoryLen = nullptr;
    QLineEdit *ssThreshold = nullptr;
    QCheckBox *MinimizeStartup = nullptr;
    QCheckBox *ShowInSystemTray = nullptr;
    QCheckBox *DoLogFile = nullptr;
    QCheckBox *Simulate_Checkbox = nullptr;
    QCheckBox *Step1to100SS = nullptr;
    QWidget *Frame2 = nullptr; // "Taskbar Icon Designer"

    // "Help - About"
    QPlainTextEdit *HelpText = nullptr;

    // Outside the panels
    QLabel *Talvor = nullptr; // the current reading, as text
    QTimer *AutoCheck = nullptr;
    Transfer *Inet1 = nullptr;
};

// Creates every control on the window and lays the panels out.
FormControls buildFormControls(QMainWindow &window);
