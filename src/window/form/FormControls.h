#pragma once

#include <array>

class QWidget;
class QTabBar;
class QLabel;
class QLineEdit;
class QPushButton;
class QCheckBox;
class QComboBox;
class QScrollBar;
class QTimer;
class QMenu;
class QAction;
class CrlfTextView;
class Transfer;
class CaptionLabel;
class ColorSwatch;
class HistogramChart;

// Every control of the main window, under the name the program knows it by.
// All are children of the window; this struct only points at them. The window
// hands each of its parts the few it uses.
struct FormControls {
    // Menu bar
    QMenu *MenuFile = nullptr;
    QAction *Save_Options = nullptr;
    QAction *MenuExit = nullptr;
    QAction *menuresettodefault = nullptr;
    QAction *MenuSharing = nullptr;  // "Sharing…"
    QAction *StartAtLogin = nullptr; // checkable
    QAction *MenuAim = nullptr;      // "Aim the Dish…"
    QAction *MenuLogin = nullptr;    // "Modem Login…"

    // The tray icon's pop-up menu, never on the menu bar
    QMenu *RCPopup = nullptr;
    QAction *MyExit = nullptr;
    QAction *Rest1 = nullptr;
    QAction *MyMenuHide = nullptr;
    QAction *AimTray = nullptr;    // "Aim the Dish…"
    QMenu *PausePolling = nullptr; // "Pause Polling": for 15 minutes, an hour, or until resumed
    QAction *Pause15 = nullptr;
    QAction *Pause60 = nullptr;
    QAction *PauseUntilResumed = nullptr;
    QAction *ResumePolling = nullptr;

    // Tab strip and its four panels (Frame1[0] is the first tab's panel)
    QTabBar *ChooseView = nullptr;
    std::array<QWidget *, 5> Frame1{}; // the fifth holds the timeline

    // "Signal Strength = ...  Histogram"
    HistogramChart *MSChart1 = nullptr;

    // "HTML"
    CrlfTextView *Info_HTML = nullptr;

    // "Options"
    QLineEdit *txtURL = nullptr;
    QLineEdit *SearchText = nullptr;
    QPushButton *GetHtml_button = nullptr;
    QCheckBox *EnableAutoCheck = nullptr;
    QScrollBar *HScroll1 = nullptr;
    CaptionLabel *M_refresh_rate = nullptr;
    QLabel *DisplaySec = nullptr;
    QLineEdit *SShistoryLen = nullptr;
    QLineEdit *ssThreshold = nullptr;
    QCheckBox *MinimizeStartup = nullptr;
    QCheckBox *ShowInSystemTray = nullptr;
    QCheckBox *DoLogFile = nullptr;
    QCheckBox *NotifyAlerts = nullptr;
    QCheckBox *Simulate_Checkbox = nullptr;
    QCheckBox *Step1to100SS = nullptr;
    QComboBox *ReadingRule = nullptr; // "Reading": how the page gives its reading
    QLineEdit *ReadingPattern = nullptr;
    QPushButton *ModemLogin = nullptr;  // opens "Modem Login…"
    QPushButton *ModemValues = nullptr; // opens "Values…"

    // "Taskbar Icon Designer"
    QWidget *Frame2 = nullptr;
    QLabel *Ikon = nullptr;               // the icon preview; its font is the icon font
    ColorSwatch *LeftColor = nullptr;     // number colour, readings above the threshold
    ColorSwatch *RightColor = nullptr;    // background, readings above the threshold
    ColorSwatch *LeftColorBad = nullptr;  // number colour, readings at or below it
    ColorSwatch *RightColorBad = nullptr; // background, readings at or below it
    QCheckBox *EnableBad = nullptr;
    std::array<ColorSwatch *, 48> Color{}; // the palette
    QWidget *Frame3 = nullptr;             // "Current Font"
    QLabel *Font_Selected = nullptr;

    // "Help - About"
    CrlfTextView *HelpText = nullptr;

    // Outside the panels
    QLabel *Talvor = nullptr;          // the current reading, as text
    const QTimer *AutoCheck = nullptr; // the monitor's, shown here
    Transfer *Inet1 = nullptr;
};
