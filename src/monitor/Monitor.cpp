#include "Monitor.h"

#include "core/fetch/TransferTexts.h"
#include "core/reading/Numbers.h"

#include <QRandomGenerator>

#include <algorithm>

Monitor::Monitor(talvor::FormState &form, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_backOff([] { return QRandomGenerator::global()->generateDouble() * 2 - 1; })
    , m_fetch(form, m_inet, m_events)
    , m_record(folder)
{
    m_autoCheck.setObjectName(QStringLiteral("AutoCheck"));
    // A coarse timer may fire 5 % early or late: 5.5 s would tick at 5.2 s.
    m_autoCheck.setTimerType(Qt::PreciseTimer);
    m_autoCheck.setInterval(m_inputs.intervalMs);
    m_sharing.setPollSeconds((m_inputs.intervalMs + 999) / 1000);
    connect(&m_autoCheck, &QTimer::timeout, this, &Monitor::AutoCheck_Timer);
    m_inet.setObjectName(QStringLiteral("Inet1"));
    m_resume.setSingleShot(true);
    connect(&m_resume, &QTimer::timeout, this, &Monitor::resume);
    m_changedSoon.setSingleShot(true);
    m_changedSoon.setInterval(500);
    connect(&m_changedSoon, &QTimer::timeout, this, &Monitor::pollNow);
    m_waiting.setSingleShot(true);
    connect(&m_waiting, &QTimer::timeout, this, [this] { showWaiting(true); });
    connect(&m_inet, &Transfer::StateChanged, this, [this](short state) {
        if (state == Transfer::Complete || state == Transfer::Failed)
            requestEnded();
    });
    connect(&m_fetch, &PageFetch::modemGaveNothing, this, &Monitor::pollGaveNothing);
    connect(&m_events, &talvor::SignalEvents::readingTaken, this, &Monitor::pollGaveReading);
    connect(&m_fetch, &PageFetch::transcript, this, &Monitor::transcript);
    connect(&m_fetch, &PageFetch::readingFound, this, &Monitor::readingFound);
    connect(&m_record, &SignalRecord::notice, this, &Monitor::notice);
    connect(&m_sharing, &SharingHub::notice, this, &Monitor::notice);
    connect(&m_events, &talvor::SignalEvents::staleChanged, this, &Monitor::showGrey);

    // The record keeps every poll.
    connect(&m_events, &talvor::SignalEvents::readingTaken, &m_record,
            [this](double value, double, const QDateTime &at) { m_record.reading(value, at); });
    connect(&m_events, &talvor::SignalEvents::pollFailed, &m_record, &SignalRecord::noReading);
    connect(&m_events, &talvor::SignalEvents::valuesTaken, &m_record, &SignalRecord::values);
    connect(&m_record, &SignalRecord::problemChanged, &m_events,
            [this](const QString &text) { m_events.setProblem(QStringLiteral("record"), text); });
    // So do Prometheus, MQTT and --status.
    connect(&m_events, &talvor::SignalEvents::readingTaken, &m_sharing, &SharingHub::reading);
    connect(&m_events, &talvor::SignalEvents::pollFailed, &m_sharing, &SharingHub::noReading);
    connect(&m_events, &talvor::SignalEvents::valuesTaken, &m_sharing, &SharingHub::values);
    connect(&m_events, &talvor::SignalEvents::staleChanged, &m_sharing, &SharingHub::staleChanged);
    connect(&m_events, &talvor::SignalEvents::problemsChanged, &m_sharing, &SharingHub::setProblems);
    connect(&m_sharing, &SharingHub::problemChanged, &m_events, &talvor::SignalEvents::setProblem);
}

Monitor::~Monitor()
{
    stop();
}

void Monitor::setThreshold(double threshold)
{
    m_request.threshold = threshold;
    m_sharing.setThreshold(threshold);
    recordSettings();
}

void Monitor::setSearchText(const QString &text)
{
    m_request.searchText = text;
    recordSettings();
}

void Monitor::recordSettings()
{
    m_record.setSetting(talvor::AddressSetting, talvor::addressShown(m_request.url));
    m_record.setSetting(talvor::IntervalSetting,
                        m_inputs.autoCheck ? talvor::everyText(m_inputs.intervalMs / 100.0)
                                           : QStringLiteral("automatic polling off"));
    m_record.setSetting(talvor::ThresholdSetting, talvor::shortestText(m_request.threshold));
    m_record.setSetting(talvor::RuleSetting, talvor::readingRuleText(m_request.rule, m_request.searchText));
}

void Monitor::setUrl(const QString &url)
{
    if (url == m_request.url)
        return;
    m_request.url = url;
    recordSettings();
    requestChanged();
}

void Monitor::setRefreshTenths(double tenths)
{
    const qint32 ms = talvor::toInt32(tenths * 100).value_or(0);
    m_inputs.intervalMs = qBound(1, ms, 65535);
    m_sharing.setPollSeconds((m_inputs.intervalMs + 999) / 1000);
    recordSettings();
    forgetBackOff();
    reschedule();
}

void Monitor::setAutoCheck(bool on)
{
    m_inputs.autoCheck = on;
    recordSettings();
    reschedule(true);
}

void Monitor::setTestMode(bool on)
{
    if (m_inputs.testMode == on)
        return;
    m_inputs.testMode = on;
    // Test readings are drawn as readings; real polling picks up its schedule.
    if (on && m_inet.StillExecuting()) {
        m_inet.cancel();
        requestEnded();
    }
    reschedule(true);
    showGrey();
}

void Monitor::setAimPace(std::optional<int> ms)
{
    if (m_inputs.aimPaceMs == ms)
        return;
    m_inputs.aimPaceMs = ms;
    // No request outlives the pace by much while aiming; the user's own
    // polling keeps the longer timeout.
    m_inet.setTimeoutMs(ms ? talvor::AimRequestTimeoutMs : Transfer::DefaultTimeoutMs);
    // Aiming accrues no back-off; what was there before is over either way.
    forgetBackOff();
    reschedule(true);
    if (!ms)
        showWaiting(false);
}

void Monitor::showWaiting(bool on)
{
    if (std::exchange(m_waitingShown, on) != on)
        emit waitingChanged();
}

void Monitor::showGrey()
{
    const bool grey = !m_inputs.testMode && m_events.stale();
    if (std::exchange(m_grey, grey) != grey)
        emit greyChanged(grey);
}

std::optional<QDateTime> Monitor::waitingSince() const
{
    return m_waitingShown ? m_requestStarted : std::nullopt;
}

void Monitor::reschedule(bool restart)
{
    const talvor::PollPlan plan = talvor::pollPlan(m_inputs);
    if (!plan.ticking) {
        m_autoCheck.stop();
        m_autoCheck.setInterval(plan.waitMs);
    } else if (restart || !m_autoCheck.isActive()) {
        m_autoCheck.start(plan.waitMs);
    } else if (m_autoCheck.interval() != plan.waitMs) {
        // A running timer starts its period again: the wait counts from now.
        m_autoCheck.setInterval(plan.waitMs);
    }
}

void Monitor::forgetBackOff()
{
    m_backOff.succeeded();
    m_inputs.backOffMs.reset();
    m_events.setNextTry(0);
}

void Monitor::requestChanged()
{
    const bool wasBackingOff = m_inputs.backOffMs.has_value();
    forgetBackOff();
    reschedule();
    if (wasBackingOff)
        m_changedSoon.start();
}

void Monitor::pollGaveNothing()
{
    if (m_inputs.aimPaceMs || m_inputs.testMode)
        return;
    const int wait = m_backOff.failed(m_inputs.intervalMs);
    if (!m_backOff.backingOff())
        return;
    m_inputs.backOffMs = wait;
    reschedule();
    const int seconds = (wait + 500) / 1000;
    m_events.setNextTry(seconds);
    emit transcript(QStringLiteral("The modem gave no reading several times in a row: next try in %1 s").arg(seconds),
                    PageFetch::Edit::AppendLine);
}

void Monitor::pollGaveReading()
{
    forgetBackOff();
    reschedule();
}

void Monitor::pause(const QDateTime &until)
{
    m_events.setPaused(until);
    m_sharing.setPaused(until);
    if (until.isValid())
        m_resume.start(int(std::clamp<qint64>(QDateTime::currentDateTime().msecsTo(until), 0, 24 * 3600 * 1000)));
    else
        m_resume.stop();
    m_inputs.paused = true;
    reschedule();
    emit pausedChanged(true);
}

void Monitor::resume()
{
    if (!isPaused())
        return;
    m_resume.stop();
    m_events.setPaused(std::nullopt);
    m_sharing.setPaused(std::nullopt);
    m_inputs.paused = false;
    emit pausedChanged(false);
    if (talvor::pollPlan(m_inputs).ticking)
        pollNow();
}

void Monitor::pollNow()
{
    m_changedSoon.stop();
    forgetBackOff();
    reschedule(true);
    AutoCheck_Timer();
}

void Monitor::setModem(const ModemSettings &modem)
{
    setValues(modem.values);
    setReadingRule(modem.rule);
    setLogin(modem.user, modem.password);
    setFormLogin(modem.form);
    m_modem.notes = modem.notes;
    for (const QString &note : modem.notes)
        emit notice(note);
}

void Monitor::setReadingRule(const talvor::ReadingRule &rule)
{
    if (rule == m_modem.rule)
        return;
    m_modem.rule = rule;
    m_request.rule = rule;
    recordSettings();
    setBodyCap();
    requestChanged();
}

void Monitor::setFormLogin(const std::optional<talvor::FormLogin> &form)
{
    if (form == m_modem.form)
        return;
    m_modem.form = form;
    m_inet.setFormLogin(form);
    requestChanged();
}

void Monitor::setValues(const QList<talvor::ValueRule> &values)
{
    m_modem.values = values;
    m_request.values = values;
    m_sharing.setValues(values);
    setBodyCap();
}

void Monitor::setBodyCap()
{
    m_inet.setBodyCap(talvor::searchesWholePage(m_request.rule, m_request.values) ? Transfer::LargeBodyCap
                                                                                  : Transfer::BodyCap);
}

void Monitor::setLogin(const QString &user, const QString &password)
{
    if (user == m_modem.user && password == m_modem.password)
        return;
    m_modem.user = user;
    m_modem.password = password;
    m_inet.setLogin(user, password);
    requestChanged();
}

void Monitor::AutoCheck_Timer()
{
    if (m_inputs.testMode) {
        emit testTick();
        return;
    }
    if (isPaused())
        return;
    // The timer keeps its beat while a slow request runs: one line per tick says so.
    if (m_inet.StillExecuting()) {
        emit transcript(QStringLiteral("Still waiting for last requested page!"), PageFetch::Edit::AppendLine);
        return;
    }
    FetchStatusPage();
}

void Monitor::FetchStatusPage()
{
    m_fetch.FetchStatusPage(m_request);
    if (!m_inet.StillExecuting())
        return;
    m_requestStarted = QDateTime::currentDateTime();
    if (m_inputs.aimPaceMs)
        m_waiting.start(talvor::aimWaitingAfterMs(*m_inputs.aimPaceMs));
}

void Monitor::requestEnded()
{
    m_waiting.stop();
    m_requestStarted.reset();
    showWaiting(false);
}

void Monitor::start()
{
    QTimer::singleShot(0, &m_record, [this] {
        m_record.open();
        m_record.importLogsLater();
    });
    readFiles();
}

void Monitor::readFiles()
{
    setModem(ModemSettings::load());
    m_sharing.apply(SharingSettings::load());
}

void Monitor::stop()
{
    m_autoCheck.stop();
    m_inet.cancel();
    m_inet.logOut();
    m_record.flush();
}
