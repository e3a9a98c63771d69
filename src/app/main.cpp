#include "SessionEnd.h"
#include "Talvorf.h"
#include "core/program/CommandLine.h"
#include "core/program/MemoryUse.h"
#include "core/program/ProgramFolder.h"
#include "core/sharing/SharingRules.h"
#include "monitor/Headless.h"
#include "monitor/SingleInstance.h"
#include "monitor/fetch/PageCheck.h"
#include "monitor/fetch/Transfer.h"
#include "monitor/sharing/SharingHub.h"
#include "window/form/DeferredIconStyle.h"
#include "window/record/Report.h"
#include "window/tray/ProgramIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

// The usage names the program's folder, which only an application object
// can find; a plain start never makes one just for that.
QString usage(int argc, char *argv[])
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Talvor"));
    return talvor::usageText(talvor::programFolder());
}

// The monitor without a window is a program of its own, so that the GUI
// libraries this one links are not mapped: this process becomes it, with
// the same process id, for whatever started it (systemd, a shell).
int becomeHeadless(int argc, char *argv[])
{
#ifdef Q_OS_UNIX
    QString path;
    {
        QCoreApplication core(argc, argv);
        path = talvor::locateProgramPart(QStringLiteral("talvor-headless"), QStringLiteral(TALVOR_HEADLESS_FROM_BIN));
    }
    if (path.isEmpty()) {
        std::fputs("talvor: talvor-headless, the monitor without a window, is not installed beside talvor\n", stderr);
        return 1;
    }
    const QByteArray file = QFile::encodeName(path);
    std::vector<char *> arguments{const_cast<char *>(file.constData())};
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--headless") != 0)
            arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    ::execv(file.constData(), arguments.data());
    std::fprintf(stderr, "talvor: cannot start %s: %s\n", file.constData(), std::strerror(errno));
    return 1;
#else
    return runHeadless(argc, argv);
#endif
}

// --help and --version answer without a display, a file or the network;
// -1 means go on and start the monitor as the line says.
int answerCommandLine(int argc, char *argv[], talvor::CommandLine &line)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    line = talvor::parseCommandLine(arguments);
    switch (line.action) {
    case talvor::CommandLine::ShowHelp:
        std::fputs(qPrintable(usage(argc, argv)), stdout);
        return 0;
    case talvor::CommandLine::ShowVersion:
        std::fputs(qPrintable(talvor::versionText()), stdout);
        return 0;
    case talvor::CommandLine::Refuse:
        std::fputs(qPrintable(line.error + u'\n' + (line.withUsage ? usage(argc, argv) : QString())), stderr);
        return 2;
    case talvor::CommandLine::Status: {
        // Asks the running copy; never starts one.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Talvor"));
        SingleInstance instance(talvor::programFolder());
        const auto answer = instance.askRunningCopyForStatus();
        if (line.waybar) {
            std::fputs(talvor::waybarStatus(answer ? talvor::printableStatus(*answer) : std::nullopt).constData(),
                       stdout);
            std::fputs("\n", stdout);
            return 0;
        }
        if (const auto status = answer ? talvor::printableStatus(*answer) : std::nullopt) {
            std::fputs(status->constData(), stdout);
            std::fputs("\n", stdout);
            return 0;
        }
        if (answer) {
            std::fputs("talvor: the running Talvor's answer is not a status line\n", stderr);
            return 1;
        }
        std::fputs(qPrintable(QStringLiteral("talvor: no Talvor is running for %1\n").arg(talvor::programFolder())),
                   stderr);
        return 3;
    }
    case talvor::CommandLine::Report:
    case talvor::CommandLine::Events: {
        // No display needed, no window, no poll: the record and the logs only.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QGuiApplication::setApplicationName(QStringLiteral("Talvor"));
        return writeReport(line.from, line.to, line.file, line.action == talvor::CommandLine::Events, line.value);
    }
    case talvor::CommandLine::Headless:
        return becomeHeadless(argc, argv);
    case talvor::CommandLine::Check: {
        QCoreApplication app(argc, argv);
        const bool reading = checkPage([](const QString &line) { std::fputs(qPrintable(line + u'\n'), stdout); });
        return reading ? 0 : 1;
    }
    case talvor::CommandLine::Run:
        break;
    }
    return -1;
}

// A window started from the menu over the monitor without a window: the
// user sees why nothing opens, and may stop that monitor (when it is theirs)
// to have the window instead. True once this copy holds the lock.
bool stopTheMonitorWithoutAWindow(SingleInstance &instance)
{
    const qint64 pid = instance.runningProcess();
    const QString folder = talvor::programFolder();
    const QString why = QStringLiteral("Talvor runs without a window for %1 (process %2); stop it with \"kill %2\" or "
                                       "\"systemctl --user stop talvor\", then start the window again.")
                            .arg(folder)
                            .arg(pid);
    std::fputs(qPrintable(why + u'\n'), stderr);
    // Where no screen shows a dialog, the line above is all anyone sees.
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen" || platform == u"minimal")
        return false;
    QMessageBox box(QMessageBox::Information, QStringLiteral("Talvor"),
                    QStringLiteral("Talvor already watches this folder without a window"));
    box.setInformativeText(
        QStringLiteral("The monitor without a window (process %1) polls the modem for %2, and one copy of Talvor "
                       "watches a folder at a time, so this window does not open.\n\nStop that monitor to have the "
                       "window instead; if a service started it, \"systemctl --user stop talvor\" stops it for good.")
            .arg(pid)
            .arg(folder));
    // Only the user's own monitor can be stopped from here.
    const bool own = pid > 0 && QFileInfo(QStringLiteral("/proc/%1").arg(pid)).ownerId() == ::getuid();
    QPushButton *stop =
        own ? box.addButton(QStringLiteral("Stop It and Open the Window"), QMessageBox::AcceptRole) : nullptr;
    box.addButton(QMessageBox::Close);
    box.exec();
    if (!stop || box.clickedButton() != stop)
        return false;
    if (::kill(pid_t(pid), SIGTERM) != 0) {
        QMessageBox::warning(
            nullptr, QStringLiteral("Talvor"),
            QStringLiteral("The monitor could not be stopped: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    // It ends at once on SIGTERM, keeping the minute being filled.
    QElapsedTimer waited;
    waited.start();
    while (!instance.acquire()) {
        if (waited.elapsed() > 5000) {
            QMessageBox::warning(nullptr, QStringLiteral("Talvor"),
                                 QStringLiteral("The monitor (process %1) was asked to stop but still runs.").arg(pid));
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // A peer that leaves before its answer (a --status that gave up, a
    // broker, a scraper) must never end the monitor.
    std::signal(SIGPIPE, SIG_IGN);
    talvor::keepResidentMemoryLow();
    talvor::CommandLine line;
    if (const int answered = answerCommandLine(argc, argv, line); answered >= 0)
        return answered;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvor"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.talvor.Talvor"));
    QApplication::setWindowIcon(programIcon());
    QApplication::setStyle(new DeferredIconStyle(QApplication::style()));
    // Closing the last window hides it in the tray; only Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start opens no window of its own and touches no file: it asks
    // the running copy to come forward, then ends.
    SingleInstance instance(talvor::programFolder());
    if (!instance.acquire()) {
        const auto show = !line.aim ? SingleInstance::Show::Window
            : line.phone            ? SingleInstance::Show::AimWithPhone
                                    : SingleInstance::Show::Aim;
        switch (instance.askRunningCopyToShow(show)) {
        case SingleInstance::Answer::Shown:
            return 0;
        case SingleInstance::Answer::Headless:
            if (!stopTheMonitorWithoutAWindow(instance))
                return talvor::AlreadyRunningExit;
            break;
        case SingleInstance::Answer::None:
            std::fputs("Talvor already runs for this folder but did not answer; look for its icon in the tray.\n",
                       stderr);
            return talvor::AlreadyRunningExit;
        }
    }

    // The first widget with a text opens the session bus for Qt's
    // accessibility bridge (the menu bar asks it for a global menu, too).
    // Where the bus is started on demand that takes milliseconds, most of
    // them spent waiting on another process: the bus connects on a thread of
    // its own while this one loads the font database every caption needs.
    // (A second start never waits for the bus: it has ended by now.)
    const std::jthread busConnecting([] { QDBusConnection::sessionBus(); });
    QFontMetrics(QApplication::font()).height();
    Talvorf window;
    QObject::connect(&instance, &SingleInstance::showRequested, &window, &Talvorf::bringForward);
    QObject::connect(&instance, &SingleInstance::aimRequested, &window, &Talvorf::showAim);
    instance.setStatus(window.sharing().statusJson());
    QObject::connect(&window.sharing(), &SharingHub::statusChanged, &instance, &SingleInstance::setStatus);
    // An end asked for before the main loop runs, such as a session ending
    // while a start-up warning is open, only leaves that warning's loop: the
    // main loop must then not start at all.
    bool ended = false;
    QObject::connect(&window, &Talvorf::exitRequested, [&ended] {
        ended = true;
        QCoreApplication::exit(0);
    });
    SessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &SessionEnd::ended, &window, &Talvorf::endSession);
    window.Form_Load();
    if (ended)
        return 0;
    if (!window.form.InTray && !window.isVisible())
        window.show();
    if (line.aim)
        window.showAim(line.phone);
    return app.exec();
}
