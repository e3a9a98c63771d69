#pragma once

#include "core/fetch/PollBackOff.h"
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
// runner) hands in new values as they change, decides what a tick of the
// timer does, and hears each transcript line and each reading.
class Monitor : public QObject {
    Q_OBJECT
public:
    Monitor(talvor::FormState &form, const QString &folder, QObject *parent = nullptr);
    ~Monitor() override;

    // The timer, the transfer and the two steps of a poll keep the names the
    // program has always given them (the timer control AutoCheck, the
    // transfer control Inet1), so a reader can follow its behaviour here.
    QTimer &AutoCheck() { return m_autoCheck; }
    Transfer &Inet1() { return m_inet; }
    talvor::SignalEvents &events() { return m_events; }
    SignalRecord &record() { return m_record; }
    SharingHub &sharing() { return m_sharing; }
    DailyLogFile &dailyLog() { return m_log; }

    void setUrl(const QString &url) { m_request.url = url; }
    void setSearchText(const QString &text) { m_request.searchText = text; }
    void setThreshold(double threshold);
    // The refresh rate in tenths of a second sets the timer's period.
    void setRefreshTenths(double tenths);
    // While the modem gives no reading the polls come further apart; the
    // aim view turns that off while it sets the pace.
    void setBackOff(bool on) { m_backOffOn = on; }
    // No poll until then (an invalid time: until resumed); resume() polls at once.
    void pause(const QDateTime &until);
    void resume();
    bool isPaused() const { return m_events.paused().has_value(); }
    // How the page gives its reading, and the modem's login (Modem.ini).
    void setModem(const ModemSettings &modem);
    // A rule or login the user changed: the rest of Modem.ini stays as it is.
    void setReadingRule(const talvor::ReadingRule &rule);
    void setLogin(const QString &user, const QString &password);
    const ModemSettings &modem() const { return m_modem; }

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

private:
    void pollGaveNothing();
    void pollGaveReading();

    QTimer m_autoCheck;
    int m_setIntervalMs = 5000;
    talvor::PollBackOff m_backOff;
    bool m_backOffOn = true;
    QTimer m_resume;
    Transfer m_inet;
    talvor::SignalEvents m_events;
    PageFetch m_fetch;
    PageFetch::Request m_request;
    ModemSettings m_modem;
    SignalRecord m_record;
    SharingHub m_sharing;
    DailyLogFile m_log;
};
