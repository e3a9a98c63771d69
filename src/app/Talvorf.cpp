#include "Talvorf.h"

#include "ControlLayout.h"
#include "QtDialogs.h"
#include "core/program/Autostart.h"
#include "core/program/ProgramFolder.h"
#include "core/program/WholeFile.h"
#include "core/reading/Numbers.h"
#include "core/reading/SignalEvents.h"
#include "monitor/Monitor.h"
#include "window/aim/AimView.h"
#include "window/fetch/PollScheduler.h"
#include "window/fetch/ReadingPipeline.h"
#include "window/fetch/SignalStatus.h"
#include "window/fetch/StatusFetch.h"
#include "window/fetch/TestModes.h"
#include "window/form/CrlfTextView.h"
#include "window/form/TabViews.h"
#include "window/history/HistogramChart.h"
#include "window/history/History.h"
#include "window/record/DailyLog.h"
#include "window/record/TimelineView.h"
#include "window/settings/LoginDialog.h"
#include "window/settings/ReadingOptions.h"
#include "window/settings/SettingsController.h"
#include "window/settings/ValuesDialog.h"
#include "window/sharing/SharingMenu.h"
#include "window/tray/IconDesigner.h"
#include "window/tray/ProgramIcon.h"
#include "window/tray/TrayBackend.h"
#include "window/tray/TrayPresence.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// Start-up window size: 12015 by 6405 twips at 15 twips a pixel.
constexpr int StartupWidth = 801;
constexpr int StartupHeight = 427;
// Room kept for a window manager's frame and title bar.
constexpr int FrameAllowance = 48;
} // namespace

Talvorf::Talvorf(std::unique_ptr<talvor::Dialogs> dialogs, std::unique_ptr<TrayBackend> tray, QWidget *parent)
    : QMainWindow(parent)
    , m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>(this))
    , m_trayBackend(tray ? std::move(tray) : std::make_unique<SystemTrayBackend>())
{
    setObjectName(QStringLiteral("Talvorf"));
    setWindowTitle(QStringLiteral("0 = SS"));
    setWindowIcon(programIcon());
    setMinimumSize(320, 200);
    m_monitor = std::make_unique<Monitor>(form, talvor::programFolder());
    c = buildFormControls(*this, *m_monitor);
    resizeWithinScreen(StartupWidth, StartupHeight);

    m_sharingMenu = std::make_unique<SharingMenu>(c.MenuSharing, this, m_monitor->sharing());
    m_login = new LoginDialog(c.MenuLogin, *m_monitor, this);
    connect(m_login, &LoginDialog::notice, c.Info_HTML, &CrlfTextView::appendLine);
    connect(c.ModemLogin, &QPushButton::clicked, c.MenuLogin, &QAction::trigger);
    new ValuesDialog(c.ModemValues, *m_monitor, this);
    m_reading = std::make_unique<ReadingOptions>(c.ReadingRule, c.ReadingPattern, c.txtURL, *m_monitor);
    connect(m_reading.get(), &ReadingOptions::notice, c.Info_HTML, &CrlfTextView::appendLine);
    m_pipeline = std::make_unique<ReadingPipeline>(form, *this, *c.ChooseView, *c.Talvor);
    m_settings = std::make_unique<SettingsController>(
        form,
        SettingsControls{c.EnableAutoCheck, c.HScroll1, c.M_refresh_rate, c.SShistoryLen, c.ssThreshold,
                         c.MinimizeStartup, c.SearchText, c.txtURL, c.Ikon, c.LeftColor, c.RightColor, c.LeftColorBad,
                         c.RightColorBad, c.ShowInSystemTray, c.DoLogFile, c.NotifyAlerts},
        *m_dialogs);
    connect(m_settings.get(), &SettingsController::saved, m_reading.get(), &ReadingOptions::addressSaved);
    m_status = std::make_unique<SignalStatus>(form, *c.NotifyAlerts);
    m_fetch = std::make_unique<StatusFetch>(FetchControls{c.Info_HTML, c.txtURL, c.SearchText, c.ssThreshold, c.Talvor},
                                            *m_monitor);
    m_testModes = std::make_unique<TestModes>(
        form, TestModeControls{c.Simulate_Checkbox, c.Step1to100SS, c.ssThreshold, c.Talvor, c.Info_HTML});
    m_scheduler = std::make_unique<PollScheduler>(
        PollControls{c.HScroll1, c.M_refresh_rate, c.DisplaySec, c.EnableAutoCheck, c.GetHtml_button}, *m_monitor);
    // Test modes make their readings on the monitor's ticks, in place of a poll.
    connect(m_testModes.get(), &TestModes::activeChanged, m_monitor.get(), &Monitor::setTestMode);
    connect(m_monitor.get(), &Monitor::testTick, m_testModes.get(), &TestModes::tick);
    m_history = std::make_unique<History>(
        form, HistoryControls{c.Talvor, c.SShistoryLen, c.ssThreshold, c.ShowInSystemTray, c.MSChart1});
    m_log = std::make_unique<DailyLog>(LogControls{c.DoLogFile, c.Talvor, c.Info_HTML}, m_monitor->dailyLog());
    m_views = std::make_unique<TabViews>(form, ViewControls{c.ChooseView, c.Frame1, c.HelpText});
    m_designer = std::make_unique<IconDesigner>(form,
                                                DesignerControls{c.Ikon, c.LeftColor, c.RightColor, c.LeftColorBad,
                                                                 c.RightColorBad, c.EnableBad, c.Color, c.Font_Selected,
                                                                 c.Talvor, c.ssThreshold},
                                                *m_dialogs);
    m_tray = std::make_unique<TrayPresence>(form, TrayControls{c.ShowInSystemTray, c.RCPopup, c.Rest1, c.MyMenuHide},
                                            *this, *m_trayBackend, m_designer->IconStorage(), programIcon());

    // A new reading, from the modem or a test mode, runs the pipeline in its order.
    connect(m_fetch.get(), &StatusFetch::readingReady, this, &Talvorf::ProcessNewReading);
    connect(m_testModes.get(), &TestModes::readingReady, this, &Talvorf::ProcessNewReading);
    connect(m_pipeline.get(), &ReadingPipeline::iconDue, m_designer.get(), &IconDesigner::showReadingIcon);
    connect(m_pipeline.get(), &ReadingPipeline::historyDue, m_history.get(), &History::UpdateData);
    connect(m_pipeline.get(), &ReadingPipeline::chartDue, m_history.get(), &History::FillChart);
    connect(m_pipeline.get(), &ReadingPipeline::logDue, m_log.get(), &DailyLog::WriteLogLine);
    // Another modem's readings (signed, with decimals) are drawn as read;
    // the status page's own keep their icons of 0 to 100.
    connect(m_history.get(), &History::trayIconDue, m_tray.get(), [this](qint16 value) {
        if (m_monitor->modem().rule.kind == talvor::ReadingRule::Three)
            m_tray->UpdateTrayIcon(value);
        else
            m_tray->UpdateTrayText(c.Talvor->text());
    });
    // A new threshold recolours the tray icon at once, as it does the alert.
    connect(m_history.get(), &History::thresholdChanged, m_designer.get(), &IconDesigner::setThreshold);
    connect(m_history.get(), &History::thresholdChanged, m_tray.get(), &TrayPresence::redrawIcon);

    // Listeners to what every poll gave.
    talvor::SignalEvents &events = m_monitor->events();
    SignalRecord &record = m_monitor->record();
    connect(&events, &talvor::SignalEvents::statusLineChanged, m_tray.get(), &TrayPresence::setStatusLine);
    connect(m_monitor.get(), &Monitor::greyChanged, m_tray.get(), &TrayPresence::showStale);
    connect(m_monitor.get(), &Monitor::pausedChanged, m_tray.get(), &TrayPresence::showPaused);
    connect(m_monitor.get(), &Monitor::pausedChanged, c.ResumePolling, &QAction::setEnabled);
    const auto pauseFor = [this](int minutes) {
        return [this, minutes] {
            m_monitor->pause(minutes > 0 ? QDateTime::currentDateTime().addSecs(minutes * 60) : QDateTime());
        };
    };
    connect(c.Pause15, &QAction::triggered, m_monitor.get(), pauseFor(15));
    connect(c.Pause60, &QAction::triggered, m_monitor.get(), pauseFor(60));
    connect(c.PauseUntilResumed, &QAction::triggered, m_monitor.get(), pauseFor(0));
    connect(c.ResumePolling, &QAction::triggered, m_monitor.get(), &Monitor::resume);
    connect(&events, &talvor::SignalEvents::alertRaised, m_status.get(), &SignalStatus::offerAlert);
    connect(m_status.get(), &SignalStatus::notify, m_tray.get(), &TrayPresence::notify);
    // A named value's alert is told as a problem is: at once, when alerts are on.
    connect(&events, &talvor::SignalEvents::valueAlert, m_status.get(), &SignalStatus::offerProblem);
    connect(&events, &talvor::SignalEvents::valuesTaken, c.MSChart1,
            [chart = c.MSChart1](const QList<talvor::NamedValue> &values) { chart->setValues(values); });
    connect(&events, &talvor::SignalEvents::pollFailed, m_history.get(),
            [this](const QString &reason) { m_history->noReadingYet(reason); });

    // The record's tab shows it as it grows.
    connect(m_monitor.get(), &Monitor::notice, c.Info_HTML, &CrlfTextView::appendLine);
    m_timeline = new TimelineView(
        record.store(), [&record] { return record.pending(); }, talvor::leadingNumber(c.ssThreshold->text()),
        c.Frame1[4]);
    m_timeline->setObjectName(QStringLiteral("Timeline"));
    (new QVBoxLayout(c.Frame1[4]))->addWidget(m_timeline);
    c.Frame1[4]->layout()->setContentsMargins(0, 0, 0, 0);
    connect(&record, &SignalRecord::changed, m_timeline, &TimelineView::refresh);
    // The timeline shows the reading or a named value, each with its threshold.
    connect(m_history.get(), &History::thresholdChanged, m_timeline, [this, &record](double threshold) {
        if (record.shownValue().isEmpty())
            m_timeline->setThreshold(threshold);
    });
    connect(&events, &talvor::SignalEvents::valuesTaken, m_timeline, [this](const QList<talvor::NamedValue> &values) {
        QStringList names;
        for (const talvor::NamedValue &v : values)
            names << v.name;
        if (std::exchange(m_valueNames, names) != names)
            m_timeline->setValueChoices(names);
    });
    connect(m_timeline, &TimelineView::valueChosen, this, [this, &record, &events](const QString &name) {
        record.showValue(record.store().valueNames().contains(name) ? name : QString());
        m_timeline->showChoice(record.shownValue());
        const QList<talvor::NamedValue> &values = events.lastValues();
        const auto value = std::find_if(values.begin(), values.end(), [&record](const talvor::NamedValue &v) {
            return v.name == record.shownValue();
        });
        m_timeline->setThreshold(record.shownValue().isEmpty() ? talvor::leadingNumber(c.ssThreshold->text())
                                     : value != values.end() && value->threshold ? *value->threshold
                                                                                 : talvor::NoThreshold);
    });
    connect(&events, &talvor::SignalEvents::readingTaken, m_timeline, &TimelineView::refreshSoon);
    connect(&events, &talvor::SignalEvents::pollFailed, m_timeline, &TimelineView::refreshSoon);

    // Talvor's own troubles stay in sight until put right: in the page view
    // at each request, the tray's tip, the timeline and --status, and told
    // once as they arise.
    connect(&events, &talvor::SignalEvents::problemRaised, c.Info_HTML, &CrlfTextView::appendLine);
    connect(&events, &talvor::SignalEvents::problemRaised, m_status.get(), &SignalStatus::offerProblem);
    connect(&events, &talvor::SignalEvents::problemsChanged, m_timeline, &TimelineView::setProblems);

    // Settings hear of every change, and are offered for saving before the
    // window hides or the Options tab is left.
    for (FormPart *part : std::initializer_list<FormPart *>{m_status.get(), m_scheduler.get(), m_history.get(),
                                                            m_log.get(), m_designer.get(), m_tray.get()})
        connect(part, &FormPart::settingsChanged, m_settings.get(), &SettingsController::markChanged);
    connect(m_tray.get(), &TrayPresence::settingsPromptDue, m_settings.get(), &SettingsController::PromptSaveSettings);
    connect(m_views.get(), &TabViews::settingsPromptDue, m_settings.get(), &SettingsController::PromptSaveSettings);

    connect(c.Save_Options, &QAction::triggered, this, &Talvorf::Save_Options_Click);
    connect(c.menuresettodefault, &QAction::triggered, this, &Talvorf::menuresettodefault_Click);
    connect(c.MenuExit, &QAction::triggered, this, &Talvorf::MenuExit_Click);
    connect(c.MyExit, &QAction::triggered, this, &Talvorf::MyExit_Click);
    connect(c.StartAtLogin, &QAction::toggled, this, &Talvorf::StartAtLogin_Click);
    for (QAction *aim : {c.MenuAim, c.AimTray})
        connect(aim, &QAction::triggered, this, [this] { showAim(); });
}

Talvorf::~Talvorf()
{
    // The timeline reads the record, and the aim view hands the monitor its
    // polling back: both go before the monitor.
    delete m_timeline;
    delete m_aim;
}

void Talvorf::showAim(bool phone)
{
    if (!m_aim) {
        m_aim = new AimView(*m_monitor, talvor::leadingNumber(c.ssThreshold->text()), this);
        connect(m_history.get(), &History::thresholdChanged, m_aim, &AimView::setThreshold);
    }
    m_aim->show();
    m_aim->raise();
    m_aim->activateWindow();
    if (phone)
        m_aim->setPhone(true);
}

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
    for (size_t i = 1; i < c.Frame1.size(); ++i)
        c.Frame1[i]->hide();
    c.Frame1[0]->show();
    resizeWithinScreen(width(), StartupHeight);

    {
        const QSignalBlocker quiet(c.StartAtLogin);
        c.StartAtLogin->setChecked(QFile::exists(talvor::autostartPath()));
    }
    form.SettingsDirty = 0;
    form.Loading = false;
    m_monitor->start();
    m_reading->ShowRule();
    m_login->fetchPassword();
}

void Talvorf::resizeWithinScreen(int w, int h)
{
    // The designed size is where the window starts. A larger font grows it
    // to what the Options tab needs; a small screen or a large scale factor
    // cuts it to what the screen offers, frame included (the tab scrolls).
    const auto *options = c.Frame1[2]->findChild<QScrollArea *>();
    const QWidget *panel = options ? options->widget() : nullptr;
    const QScreen *shownOn = screen();
    const QRect room = shownOn ? shownOn->availableGeometry() : QRect();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (panel)
        w = qMax(w, panel->sizeHint().width() + 16 + scrollBar);
    if (shownOn)
        w = qMin(w, room.width() - FrameAllowance / 4);
    if (panel) {
        // Captions wrap where the width is short of the panel's own wish, so
        // the height is what the panel needs at the width it will get.
        const int around = menuBar()->sizeHint().height() + c.ChooseView->sizeHint().height() + 16;
        h = qMax(h, qMax(panel->sizeHint().height(), panel->heightForWidth(w - 16 - scrollBar)) + around);
    }
    if (shownOn) {
        h = qMin(h, room.height() - FrameAllowance);
        if (isVisible() && !room.contains(frameGeometry()))
            move(room.topLeft());
    }
    resize(w, h);
}

DailyLogFile &Talvorf::dailyLog()
{
    return m_monitor->dailyLog();
}

SharingHub &Talvorf::sharing()
{
    return m_monitor->sharing();
}

void Talvorf::ProcessNewReading()
{
    m_pipeline->ProcessNewReading();
}

void Talvorf::StartAtLogin_Click(bool start)
{
    // The entry starts this very copy; "Minimize to System Tray on Startup"
    // decides whether it comes up in the tray.
    const QString path = talvor::autostartPath();
    QString error;
    if (start) {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            error = QStringLiteral("its folder cannot be made");
        else
            error = talvor::writeWholeFile(
                path,
                talvor::autostartEntry(QCoreApplication::applicationFilePath(), qEnvironmentVariable("TALVOR_HOME")));
    } else if (QFile::exists(path) && !QFile::remove(path)) {
        error = QStringLiteral("it cannot be removed");
    }
    if (error.isEmpty())
        return;
    m_dialogs->warn(QStringLiteral("Talvor could not %1 %2: %3")
                        .arg(start ? QStringLiteral("write") : QStringLiteral("remove"), path, error),
                    QStringLiteral("Talvor"));
    const QSignalBlocker quiet(c.StartAtLogin);
    c.StartAtLogin->setChecked(QFile::exists(path));
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
    m_reading->keep();
    m_monitor->record().flush();
    m_monitor->setAutoCheck(false);
    if (c.Inet1->StillExecuting())
        c.Inet1->cancel();
    // One pass for whatever the cancel left queued; the exit does not wait longer.
    QCoreApplication::processEvents();
    if (c.Inet1->StillExecuting())
        c.Inet1->execute(QString(), QStringLiteral("QUIT"));
    TrayData data = m_tray->trayData();
    m_tray->notifyIcon(NIM_DELETE, data);
    emit exitRequested();
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
    // Nothing is asked, but a reading pattern being typed is kept.
    m_reading->keep();
    m_monitor->stop();
    TrayData data = m_tray->trayData();
    m_tray->notifyIcon(NIM_DELETE, data);
    emit exitRequested();
}
