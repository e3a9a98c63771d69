#include "Talvorf.h"

#include "ControlLayout.h"
#include "QtDialogs.h"
#include "acquisition/PollScheduler.h"
#include "acquisition/ReadingPipeline.h"
#include "acquisition/SignalStatus.h"
#include "acquisition/StatusFetch.h"
#include "acquisition/TestModes.h"
#include "acquisition/Transfer.h"
#include "history/History.h"
#include "log/DailyLog.h"
#include "settings/SettingsController.h"
#include "tray/IconDesigner.h"
#include "tray/ProgramIcon.h"
#include "tray/TrayBackend.h"
#include "tray/TrayPresence.h"
#include "views/TabViews.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QTabBar>
#include <QTimer>

namespace {
// Start-up window height: 6405 twips at 15 twips a pixel.
constexpr int StartupHeight = 427;
} // namespace

Talvorf::Talvorf(std::unique_ptr<Dialogs> dialogs, std::unique_ptr<TrayBackend> tray, QWidget *parent)
    : QMainWindow(parent)
    , c(buildFormControls(*this))
    , m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>(this))
    , m_trayBackend(tray ? std::move(tray) : std::make_unique<SystemTrayBackend>())
{
    setObjectName(QStringLiteral("Talvorf"));
    setWindowTitle(QStringLiteral("0 = SS"));
    setWindowIcon(programIcon());
    resize(801, StartupHeight);
    endProcess = [] { QCoreApplication::exit(0); };

    m_pipeline = std::make_unique<ReadingPipeline>(form, *this, *c.ChooseView, *c.Talvor);
    m_settings = new SettingsController(form,
                                        {c.EnableAutoCheck, c.AutoCheck, c.HScroll1, c.M_refresh_rate, c.SShistoryLen,
                                         c.ssThreshold, c.MinimizeStartup, c.SearchText, c.txtURL, c.Ikon, c.LeftColor,
                                         c.RightColor, c.LeftColorBad, c.RightColorBad, c.ShowInSystemTray,
                                         c.DoLogFile, c.NotifyAlerts},
                                        *m_dialogs, this);
    const auto markChanged = [this](qint16 code) { m_settings->markChanged(code); };
    const auto promptSaveSettings = [this] { m_settings->PromptSaveSettings(); };
    const auto processNewReading = [this] { ProcessNewReading(); };
    m_status = new SignalStatus(form, {c.NotifyAlerts, c.ssThreshold}, markChanged, this);
    m_fetch = new StatusFetch(form, *c.Inet1, *c.Info_HTML, *c.txtURL, *c.SearchText, *c.Talvor, *m_status,
                              processNewReading, this);
    m_scheduler = new PollScheduler(form,
                                    {c.AutoCheck, c.HScroll1, c.M_refresh_rate, c.DisplaySec, c.EnableAutoCheck,
                                     c.GetHtml_button, c.Inet1, c.Info_HTML},
                                    *m_fetch, markChanged, this);
    m_history = new History(form, {c.Talvor, c.SShistoryLen, c.ssThreshold, c.ShowInSystemTray, c.MSChart1},
                            markChanged, this);
    m_log = new DailyLog({c.DoLogFile, c.Talvor, c.Info_HTML}, markChanged, this);
    m_testModes = new TestModes(form, {c.Simulate_Checkbox, c.Step1to100SS, c.ssThreshold, c.Talvor, c.Info_HTML},
                                processNewReading, this);
    m_views = new TabViews(form, {c.ChooseView, c.Frame1, c.HelpText}, promptSaveSettings, this);
    m_designer = new IconDesigner(form,
                                  {c.Ikon, c.LeftColor, c.RightColor, c.LeftColorBad, c.RightColorBad, c.EnableBad,
                                   c.Color, c.Font_Selected, c.Talvor, c.ssThreshold},
                                  *m_dialogs, markChanged, this);
    m_tray = new TrayPresence(form, {c.ShowInSystemTray, c.RCPopup, c.Rest1, c.MyMenuHide}, *this,
                              *m_trayBackend, m_designer->IconStorage(), programIcon(), promptSaveSettings,
                              markChanged, this);

    m_scheduler->testTick = [this] { return m_testModes->tick(); };
    m_status->showStatusLine = [this](const QString &line) { m_tray->setStatusLine(line); };
    m_status->showStale = [this](bool stale) { m_tray->showStale(stale); };
    m_status->notify = [this](const QString &text) { m_tray->notify(text); };
    m_history->UpdateTrayIcon = [this](qint16 &value) { m_tray->UpdateTrayIcon(value); };
    m_pipeline->steps.showIcon = [this] { m_designer->showReadingIcon(); };
    m_pipeline->steps.UpdateData = [this] { m_history->UpdateData(); };
    m_pipeline->steps.FillChart = [this] { m_history->FillChart(); };
    m_pipeline->steps.WriteLogLine = [this] { m_log->WriteLogLine(); };

    connect(c.Save_Options, &QAction::triggered, this, &Talvorf::Save_Options_Click);
    connect(c.menuresettodefault, &QAction::triggered, this, &Talvorf::menuresettodefault_Click);
    connect(c.MenuExit, &QAction::triggered, this, &Talvorf::MenuExit_Click);
    connect(c.MyExit, &QAction::triggered, this, &Talvorf::MyExit_Click);
}

Talvorf::~Talvorf() = default;

void Talvorf::Form_Load()
{
    form.Loading = true;
    form.RequestNumber = 0;
    m_settings->LoadSettings();
    m_designer->ShowFontDescription();
    m_designer->BuildIconCache();
    if (c.MinimizeStartup->isChecked())
        m_tray->HideToTray();
    m_designer->InitPalette();

    // The current tab is set before the strip is, so the strip's reaction finds
    // nothing to do and the panels are switched here.
    form.CurrentTab = 1;
    c.ChooseView->setCurrentIndex(0);
    for (int i = 1; i < 4; ++i)
        c.Frame1[size_t(i)]->hide();
    c.Frame1[0]->show();
    resize(width(), StartupHeight);

    form.SettingsDirty = 0;
    form.Loading = false;
}

void Talvorf::ProcessNewReading()
{
    m_pipeline->ProcessNewReading();
}

void Talvorf::Save_Options_Click()
{
    m_settings->SaveSettings();
}

void Talvorf::menuresettodefault_Click()
{
    m_settings->forgetSettingsFile();
    Form_Load();
}

void Talvorf::closeEvent(QCloseEvent *event)
{
    if (m_sessionEnding) {
        event->accept();
        return;
    }
    bool cancel = false;
    Form_QueryUnload(cancel);
    event->setAccepted(!cancel);
}

void Talvorf::Form_QueryUnload(bool &cancel)
{
    Form_Unload(cancel);
}

void Talvorf::Form_Unload(bool &cancel)
{
    // Closing the window never ends the monitor: it goes on in the tray.
    cancel = true;
    m_tray->HideToTray();
}

void Talvorf::MenuExit_Click()
{
    MyFormUnload();
}

void Talvorf::MyFormUnload()
{
    m_settings->PromptSaveSettings();
    c.AutoCheck->stop();
    if (c.Inet1->StillExecuting())
        c.Inet1->cancel();
    // One pass for whatever the cancel left queued; the exit does not wait longer.
    QCoreApplication::processEvents();
    if (c.Inet1->StillExecuting())
        c.Inet1->execute(QString(), QStringLiteral("QUIT"));
    TrayData data = m_tray->trayData();
    m_tray->notifyIcon(NIM_DELETE, data);
    endProcess();
}

void Talvorf::bringForward()
{
    if (form.InTray)
        m_tray->RestoreFromTray();
    else
        showNormal();
    raise();
    activateWindow();
}

void Talvorf::endSession()
{
    m_sessionEnding = true;
    c.AutoCheck->stop();
    c.Inet1->cancel();
    TrayData data = m_tray->trayData();
    m_tray->notifyIcon(NIM_DELETE, data);
    endProcess();
}
