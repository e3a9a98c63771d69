#pragma once

#include "core/settings/Dialogs.h"
#include "core/settings/FormState.h"
#include "window/form/FormControls.h"
#include "window/tray/TrayBackend.h"

#include <QMainWindow>

#include <memory>

class StatusFetch;
class SignalStatus;
class ReadingPipeline;
class PollScheduler;
class SettingsController;
class TabViews;
class History;
class DailyLog;
class TestModes;
class IconDesigner;
class TrayPresence;
class Monitor;
class DailyLogFile;
class SharingHub;
class SharingMenu;
class TimelineView;
class AimView;
class LoginDialog;
class ReadingOptions;

// The one main window: it owns every control and the form-level state, and
// wires the subsystems that hold the controls' handlers.
class Talvorf : public QMainWindow {
    Q_OBJECT
public:
    // Tests hand in their own dialogs and notification area; the program uses
    // the real ones.
    explicit Talvorf(std::unique_ptr<talvor::Dialogs> dialogs = {}, std::unique_ptr<TrayBackend> tray = {},
                     QWidget *parent = nullptr);
    ~Talvorf() override;

    talvor::FormState form;
    FormControls c;

    // The start-up sequence; a reset runs it again on the living window.
    void Form_Load();
    void ProcessNewReading();

    void Save_Options_Click();
    // "Start at Login": writes or removes this copy's autostart entry.
    void StartAtLogin_Click(bool start);
    void menuresettodefault_Click();
    void MenuExit_Click();
    void MyExit_Click() { MenuExit_Click(); }
    // The one way out: save prompt, polling and transfer stopped, tray icon
    // removed, process ended.
    void MyFormUnload();
    // The desktop session is ending: leave at once, asking nothing.
    void endSession();
    // Another start of the program asked for this window: out of the tray,
    // or up from the task bar, in front.
    void bringForward();
    // "Aim the Dish…": opens the aim view, with the phone page served when asked.
    void showAim(bool phone = false);
    AimView *aim() { return m_aim; }

    talvor::Dialogs &dialogs() { return *m_dialogs; }
    PollScheduler &scheduler() { return *m_scheduler; }
    SettingsController &settings() { return *m_settings; }
    History &history() { return *m_history; }
    DailyLogFile &dailyLog();
    TestModes &testModes() { return *m_testModes; }
    IconDesigner &designer() { return *m_designer; }
    TrayPresence &tray() { return *m_tray; }
    SharingHub &sharing();
    Monitor &monitor() { return *m_monitor; }

signals:
    // The monitor is done: main() ends the process; tests count it.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_QueryUnload(bool &cancel);
    void Form_Unload(bool &cancel);
    void resizeWithinScreen(int w, int h);

    // Each part is declared after every part it holds a reference to, so the
    // members die in the reverse order: users before what they use. The
    // controls they hold outlive them all, as children of the window.
    std::unique_ptr<talvor::Dialogs> m_dialogs;
    std::unique_ptr<TrayBackend> m_trayBackend;
    std::unique_ptr<Monitor> m_monitor;
    std::unique_ptr<SharingMenu> m_sharingMenu;
    std::unique_ptr<ReadingOptions> m_reading;
    std::unique_ptr<ReadingPipeline> m_pipeline;
    std::unique_ptr<SettingsController> m_settings;
    std::unique_ptr<SignalStatus> m_status;
    std::unique_ptr<StatusFetch> m_fetch;
    std::unique_ptr<TestModes> m_testModes;
    std::unique_ptr<PollScheduler> m_scheduler;
    std::unique_ptr<History> m_history;
    std::unique_ptr<DailyLog> m_log;
    std::unique_ptr<TabViews> m_views;
    std::unique_ptr<IconDesigner> m_designer;
    std::unique_ptr<TrayPresence> m_tray;
    TimelineView *m_timeline = nullptr; // a control of the fifth tab, owned by it
    AimView *m_aim = nullptr;           // made when first opened, a child of the window
    LoginDialog *m_login = nullptr;     // a child of the window
    QStringList m_valueNames;           // the named values the timeline offers
    bool m_sessionEnding = false;
};
