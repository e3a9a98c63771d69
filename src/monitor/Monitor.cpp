#include "Monitor.h"

#include "core/reading/Numbers.h"

#include <QRandomGenerator>

#include <algorithm>

Monitor::Monitor(talvor::FormState &form, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_backOff([] { return QRandomGenerator::global()->generateDouble() * 2 - 1; })
    , m_fetch(form, m_inet, m_events)
    , m_record(folder)
    , m_sharing(&m_autoCheck)
{
    m_autoCheck.setObjectName(QStringLiteral("AutoCheck"));
    // A coarse timer may fire 5 % early or late: 5.5 s would tick at 5.2 s.
    m_autoCheck.setTimerType(Qt::PreciseTimer);
    m_inet.setObjectName(QStringLiteral("Inet1"));
    m_resume.setSingleShot(true);
    connect(&m_resume, &QTimer::timeout, this, &Monitor::resume);
    connect(&m_fetch, &PageFetch::modemGaveNothing, this, &Monitor::pollGaveNothing);
    connect(&m_events, &talvor::SignalEvents::readingTaken, this, &Monitor::pollGaveReading);
    connect(&m_fetch, &PageFetch::transcript, this, &Monitor::transcript);
    connect(&m_fetch, &PageFetch::readingFound, this, &Monitor::readingFound);
    connect(&m_record, &SignalRecord::notice, this, &Monitor::notice);
    connect(&m_sharing, &SharingHub::notice, this, &Monitor::notice);

    // The record keeps every poll.
    connect(&m_events, &talvor::SignalEvents::readingTaken, &m_record,
            [this](double value, double, const QDateTime &at) { m_record.reading(value, at); });
    connect(&m_events, &talvor::SignalEvents::pollFailed, &m_record, &SignalRecord::noReading);
    connect(&m_record, &SignalRecord::problemChanged, &m_events,
            [this](const QString &text) { m_events.setProblem(QStringLiteral("record"), text); });
    // So do Prometheus, MQTT and --status.
    connect(&m_events, &talvor::SignalEvents::readingTaken, &m_sharing, &SharingHub::reading);
    connect(&m_events, &talvor::SignalEvents::pollFailed, &m_sharing, &SharingHub::noReading);
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
}

void Monitor::setRefreshTenths(double tenths)
{
    const qint32 ms = talvor::toInt32(tenths * 100).value_or(0);
    m_setIntervalMs = qBound(1, ms, 65535);
    m_backOff.succeeded();
    m_events.setNextTry(0);
    m_autoCheck.setInterval(m_setIntervalMs);
}

void Monitor::pollGaveNothing()
{
    if (!m_backOffOn)
        return;
    const int wait = m_backOff.failed(m_setIntervalMs);
    if (!m_backOff.backingOff())
        return;
    // A running timer starts its period again: the wait counts from now.
    m_autoCheck.setInterval(wait);
    const int seconds = (wait + 500) / 1000;
    m_events.setNextTry(seconds);
    emit transcript(QStringLiteral("The modem gave no reading several times in a row: next try in %1 s").arg(seconds),
                    PageFetch::Edit::AppendLine);
}

void Monitor::pollGaveReading()
{
    const bool backedOff = m_backOff.backingOff();
    m_backOff.succeeded();
    m_events.setNextTry(0);
    if (backedOff && m_backOffOn)
        m_autoCheck.setInterval(m_setIntervalMs);
}

void Monitor::pause(const QDateTime &until)
{
    m_events.setPaused(until);
    m_sharing.setPaused(until);
    if (until.isValid())
        m_resume.start(int(std::clamp<qint64>(QDateTime::currentDateTime().msecsTo(until), 0, 24 * 3600 * 1000)));
    else
        m_resume.stop();
    emit pausedChanged(true);
}

void Monitor::resume()
{
    if (!isPaused())
        return;
    m_resume.stop();
    m_events.setPaused(std::nullopt);
    m_sharing.setPaused(std::nullopt);
    emit pausedChanged(false);
    if (m_autoCheck.isActive())
        AutoCheck_Timer();
}

void Monitor::setModem(const ModemSettings &modem)
{
    m_modem = modem;
    m_request.rule = modem.rule;
    m_inet.setLogin(modem.user, modem.password);
    for (const QString &note : modem.notes)
        emit notice(note);
}

void Monitor::setReadingRule(const talvor::ReadingRule &rule)
{
    m_modem.rule = rule;
    m_request.rule = rule;
}

void Monitor::setLogin(const QString &user, const QString &password)
{
    m_modem.user = user;
    m_modem.password = password;
    m_inet.setLogin(user, password);
}

void Monitor::AutoCheck_Timer()
{
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
    m_record.flush();
}
