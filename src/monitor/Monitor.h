#pragma once

#include "core/fetch/PollBackOff.h"
#include "core/fetch/PollSchedule.h"
#include "core/reading/SignalEvents.h"
#include "monitor/fetch/ModemSettings.h"
#include "monitor/fetch/PageFetch.h"
#include "monitor/fetch/Transfer.h"
#include "monitor/record/DailyLogFile.h"
#include "monitor/record/SignalRecord.h"
#include "monitor/sharing/SharingHub.h"

#include <QObject>
#include <QTimer>

namespace talvor {
struct FormState;
}

// Everything from the poll timer to the listeners, with no widget: the
// timer AutoCheck, the transfer Inet1, the fetch and extraction, the news of
// every poll, the record, the daily log file and sharing. It holds as plain
// values what a poll needs; whoever shows it (the window, or the headless
// runner) hands in new values as they change and hears each transcript line
// and each reading. When the next poll comes is the monitor's alone: the
// others say what changed (a test mode, the aim view's pace, a pause, "poll
// now") and never touch the timer.
class Monitor : public QObject {
    Q_OBJECT
public:
    Monitor(talvor::FormState &form, const QString &folder, QObject *parent = nullptr);
    ~Monitor() override;

    // The timer, the transfer and the two steps of a poll keep the names the
    // program has always given them (the timer control AutoCheck, the
    // transfer control Inet1), so a reader can follow its behaviour here.
    // The timer is shown, never handed out to drive.
    const QTimer &pollTimer() const { return m_autoCheck; }
    Transfer &Inet1() { return m_inet; }
    talvor::SignalEvents &events() { return m_events; }
    SignalRecord &record() { return m_record; }
    SharingHub &sharing() { return m_sharing; }
    DailyLogFile &dailyLog() { return m_log; }

    void setUrl(const QString &url);
    void setSearchText(const QString &text);
    void setThreshold(double threshold);
    // The refresh rate in tenths of a second sets the timer's period.
    void setRefreshTenths(double tenths);
    // "Enable Auto Check": switching on starts the period afresh.
    void setAutoCheck(bool on);
    // A test mode ticks at the set interval with testTick() in place of a poll.
    void setTestMode(bool on);
    // While the aim view is open it sets the pace, and no failure slows it.
    void setAimPace(std::optional<int> ms);
    // No poll until then (an invalid time: until resumed); resume() polls at once.
    void pause(const QDateTime &until);
    void resume();
    // A poll at once, with the back-off forgotten (in a test mode, a tick).
    void pollNow();
    // While aiming: since when the request under way has gone unanswered for
    // longer than the pace, or none when it has not.
    std::optional<QDateTime> waitingSince() const;
    bool isPaused() const { return m_events.paused().has_value(); }
    // How the page gives its reading, and the modem's login (Modem.ini).
    void setModem(const ModemSettings &modem);
    // A rule or login the user changed: the rest of Modem.ini stays as it is.
    void setReadingRule(const talvor::ReadingRule &rule);
    void setLogin(const QString &user, const QString &password);
    // The named values read from the same page.
    void setValues(const QList<talvor::ValueRule> &values);
    // A form login in place of Basic and Digest, or none.
    void setFormLogin(const std::optional<talvor::FormLogin> &form);
    const ModemSettings &modem() const { return m_modem; }
    // What the next poll asks for, for a test of settings not yet saved.
    const PageFetch::Request &request() const { return m_request; }

    // A tick of the poll timer: a request, unless the last one still runs.
    void AutoCheck_Timer();
    void FetchStatusPage();

    // Opens the record and reads its files, once the window, if there is
    // one, is up: a start waits for no file.
    void start();
    // Modem.ini and Sharing.ini as they are now.
    void readFiles();
    // Polling stops, the request in flight is dropped and the minute being
    // filled goes into the record: the monitor is ending.
    void stop();

signals:
    void transcript(const QString &text, PageFetch::Edit edit);
    void readingFound(const QString &reading);
    // Something the user should hear of once (the record, sharing, Modem.ini).
    void notice(const QString &text);
    void pausedChanged(bool paused);
    // A tick of the timer in a test mode: the window makes its reading.
    void testTick();
    // Polling stalls on a request while aiming (waitingSince()), or goes on.
    void waitingChanged();
    // The icon shows the last reading greyed: real polls stale, not a test mode.
    void greyChanged(bool grey);

private:
    void pollGaveNothing();
    void pollGaveReading();
    // Applies the schedule to the timer; a restart begins its period now.
    void reschedule(bool restart = false);
    void forgetBackOff();
    // An address, rule or login changed: what was failing may work now.
    void requestChanged();
    void requestEnded();
    void showWaiting(bool on);
    // The icon is grey while real polls are stale, never in a test mode.
    void showGrey();
    // What the polls are made with, for the record to keep.
    void recordSettings();
    // The whole page is read where a rule searches all of it.
    void setBodyCap();

    QTimer m_autoCheck;
    talvor::PollInputs m_inputs;
    talvor::PollBackOff m_backOff;
    QTimer m_resume;
    // A corrected address is tried once the typing stops.
    QTimer m_changedSoon;
    QTimer m_waiting;
    std::optional<QDateTime> m_requestStarted;
    bool m_waitingShown = false;
    bool m_grey = false;
    Transfer m_inet;
    talvor::SignalEvents m_events;
    PageFetch m_fetch;
    PageFetch::Request m_request;
    ModemSettings m_modem;
    SignalRecord m_record;
    SharingHub m_sharing;
    DailyLogFile m_log;
};
