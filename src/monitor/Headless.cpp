#include "Headless.h"

#include "Monitor.h"
#include "SingleInstance.h"
#include "core/fetch/TransferTexts.h"
#include "core/program/CommandLine.h"
#include "core/program/MemoryUse.h"
#include "core/program/ProgramFolder.h"
#include "core/reading/Numbers.h"
#include "core/settings/FormState.h"
#include "core/settings/SettingsFile.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void passSignal(int number)
{
    // Only what is safe in a handler: the loop reads the number.
    const char byte = char(number);
    [[maybe_unused]] const ssize_t sent = ::write(signalPipe[1], &byte, 1);
}

// Each change of state is one line, which journald keeps with its time.
void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stderr);
    std::fflush(stderr);
}

// The monitor with the settings as the file holds them now; the file is
// only read, never written.
class HeadlessMonitor : public QObject {
public:
    HeadlessMonitor()
        : m_monitor(m_form, talvor::programFolder())
    {
        connect(&m_monitor, &Monitor::readingFound, this, [this](const QString &reading) {
            if (!m_poll.logFile)
                return;
            // Said once when writing stops (as a problem, which --status
            // shows too), and once when it works again.
            const QString error = m_monitor.dailyLog().append(reading);
            m_monitor.events().setProblem(QStringLiteral("log"), error);
            if (std::exchange(m_logFailing, !error.isEmpty()) && error.isEmpty())
                say(QStringLiteral("Log lines are written again"));
        });
        talvor::SignalEvents &events = m_monitor.events();
        connect(&events, &talvor::SignalEvents::readingTaken, this, [this](double value, double threshold) {
            if (!std::exchange(m_hadReading, true))
                say(QStringLiteral("First reading %1 (threshold %2)")
                        .arg(talvor::shortestText(value), talvor::shortestText(threshold)));
        });
        // Until the modem counts as not answering, the first poll without a
        // reading is the only word of it.
        connect(&events, &talvor::SignalEvents::pollFailed, this, [this](const QString &reason) {
            if (!m_hadReading && !std::exchange(m_toldNoReading, true))
                say(QStringLiteral("No reading: %1").arg(reason));
        });
        connect(&events, &talvor::SignalEvents::alertRaised, this,
                [](talvor::SignalWatch::Alert, const QString &text) { say(text); });
        connect(&events, &talvor::SignalEvents::problemRaised, this, &say);
        connect(&events, &talvor::SignalEvents::valueAlert, this, &say);
        connect(&m_monitor, &Monitor::notice, this, &say);
    }

    SharingHub &sharing() { return m_monitor.sharing(); }

    void start()
    {
        readSettings();
        m_monitor.start();
        sayWhereThePasswordIs();
    }

    // The window keeps the password in the desktop's keyring, which a
    // monitor without a desktop cannot open.
    void sayWhereThePasswordIs()
    {
        if (!m_monitor.modem().user.isEmpty() && m_monitor.modem().password.isEmpty())
            say(QStringLiteral("%1 names a user but holds no password (the window keeps it in the desktop's "
                               "keyring): write it as [login] password= there for this monitor")
                    .arg(talvor::programFile(ModemSettings::FileName)));
    }

    void readSettings()
    {
        const talvor::SettingsRead read = talvor::readSettingsFile();
        const QString file = talvor::programFile(talvor::SettingsFileName);
        if (read.outcome == talvor::SettingsRead::Missing)
            say(QStringLiteral("%1 does not exist: the first start's settings are used").arg(file));
        else if (read.outcome != talvor::SettingsRead::Read)
            say(QStringLiteral("%1 cannot be read: the first start's settings are used, and the file is left as "
                               "it is")
                    .arg(file));
        m_poll = talvor::pollSettings(read);
        m_monitor.setUrl(m_poll.url);
        m_monitor.setSearchText(m_poll.searchText);
        m_monitor.setThreshold(m_poll.threshold);
        m_monitor.setRefreshTenths(m_poll.tenths);
        m_monitor.setAutoCheck(m_poll.autoCheck);
        say(m_poll.autoCheck ? QStringLiteral("Polling %1 %2")
                                   .arg(talvor::addressShown(m_poll.url), talvor::everyText(m_poll.tenths))
                             : QStringLiteral("Automatic polling is off in %1: nothing is polled").arg(file));
    }

    void rereadSettings()
    {
        readSettings();
        m_monitor.readFiles();
        sayWhereThePasswordIs();
    }

    void stop() { m_monitor.stop(); }

private:
    talvor::FormState m_form;
    Monitor m_monitor;
    talvor::PollSettings m_poll;
    bool m_hadReading = false;
    bool m_toldNoReading = false;
    bool m_logFailing = false;
};

} // namespace

int runHeadless(int argc, char *argv[])
{
    // A peer that leaves before its answer (a --status that gave up, a
    // broker, a scraper) must never end the monitor.
    std::signal(SIGPIPE, SIG_IGN);
    talvor::keepResidentMemoryLow();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Talvor"));
    const QString folder = talvor::programFolder();
    SingleInstance instance(folder);
    if (!instance.acquire()) {
        say(QStringLiteral("talvor: Talvor already runs for %1 (process %2); end it first, then start the monitor "
                           "again")
                .arg(folder)
                .arg(instance.runningProcess()));
        return talvor::AlreadyRunningExit;
    }
    instance.setHeadless(true);

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        say(QStringLiteral("talvor: cannot set up the signal pipe: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        return 1;
    }
    struct sigaction action { };
    action.sa_handler = passSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(number, &action, nullptr) != 0) {
            say(QStringLiteral("talvor: cannot catch signal %1: %2")
                    .arg(number)
                    .arg(QString::fromLocal8Bit(strerror(errno))));
            return 1;
        }
    }

    HeadlessMonitor monitor;
    instance.setStatus(monitor.sharing().statusJson());
    QObject::connect(&monitor.sharing(), &SharingHub::statusChanged, &instance, &SingleInstance::setStatus);
    QSocketNotifier caught(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&caught, &QSocketNotifier::activated, &app, [&monitor] {
        char number = 0;
        while (::read(signalPipe[0], &number, 1) == 1) {
            if (number == SIGHUP) {
                say(QStringLiteral("Reading the settings again"));
                monitor.rereadSettings();
                continue;
            }
            say(QStringLiteral("Stopping on %1; the minute being filled is kept")
                    .arg(number == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM")));
            monitor.stop();
            QCoreApplication::exit(0);
            return;
        }
    });
    say(QStringLiteral("Talvor %1 runs without a window for %2 (process %3)")
            .arg(talvor::version(), folder)
            .arg(QCoreApplication::applicationPid()));
    monitor.start();
    return app.exec();
}
