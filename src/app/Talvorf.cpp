#include "Talvorf.h"

#include "QtDialogs.h"
#include "acquisition/PollScheduler.h"
#include "acquisition/ReadingPipeline.h"
#include "acquisition/StatusFetch.h"
#include "acquisition/TestModes.h"
#include "history/History.h"
#include "log/DailyLog.h"
#include "settings/SettingsController.h"
#include "views/TabViews.h"

#include <QAction>
#include <QTabBar>
#include <QTimer>

namespace {
// Start-up window height: 6405 twips at 15 twips a pixel.
constexpr int StartupHeight = 427;
}

Talvorf::Talvorf(std::unique_ptr<Dialogs> dialogs, QWidget *parent)
    : QMainWindow(parent)
    , c(buildFormControls(*this))
    , m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>(this))
{
    setObjectName(QStringLiteral("Talvorf"));
    setWindowTitle(QStringLiteral("0 = SS"));
    resize(801, StartupHeight);

    m_pipeline = std::make_unique<ReadingPipeline>(form, *this, *c.ChooseView, *c.Talvor);
    m_settings = new SettingsController(form, c, *m_dialogs, this);
    m_fetch = new StatusFetch(form, *c.Inet1, *c.Info_HTML, *c.txtURL, *c.SearchText, *c.Talvor,
                              [this] { ProcessNewReading(); }, this);
    const auto markChanged = [this](qint16 code) { m_settings->markChanged(code); };
    m_scheduler = new PollScheduler(form, c, *m_fetch, markChanged, this);
    m_history = new History(form, c, markChanged, this);
    m_log = new DailyLog(c, markChanged, this);
    m_testModes = new TestModes(form, c, [this] { ProcessNewReading(); }, this);
    m_scheduler->testTick = [this] { return m_testModes->tick(); };

    m_pipeline->steps.UpdateData = [this] { m_history->UpdateData(); };
    m_pipeline->steps.FillChart = [this] { m_history->FillChart(); };
    m_pipeline->steps.WriteLogLine = [this] { m_log->WriteLogLine(); };

    m_views = new TabViews(form, c, [this] { m_settings->PromptSaveSettings(); }, this);

    connect(c.Save_Options, &QAction::triggered, this, &Talvorf::Save_Options_Click);
    connect(c.menuresettodefault, &QAction::triggered, this, &Talvorf::menuresettodefault_Click);
}

Talvorf::~Talvorf() = default;

void Talvorf::Form_Load()
{
    form.Loading = true;
    form.RequestNumber = 0;
    m_settings->LoadSettings();

    // The current tab is set before the strip is, so the strip's reaction finds
    // nothing to do and the panels are switched here.
    form.CurrentTab = 1;
    c.ChooseView->setCurrentIndex(0);
    for (int i = 1; i < 4; ++i)
        c.Frame1[i]->hide();
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
