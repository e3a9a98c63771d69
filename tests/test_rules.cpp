// The pure rules: log lines, made-up readings, help text, the chart's axis,
// the font caption and the tray's mouse messages.
#include "core/fetch/PollBackOff.h"
#include "core/fetch/PollSchedule.h"
#include "core/program/Autostart.h"
#include "core/program/CommandLine.h"
#include "core/program/HelpText.h"
#include "core/reading/ReadingRules.h"
#include "core/reading/SignalEvents.h"
#include "core/reading/SignalWatch.h"
#include "core/record/LogLine.h"
#include "core/settings/FontChoice.h"
#include "core/sharing/SharingRules.h"
#include "core/tray/TrayMouse.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace talvor;

namespace {
QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}
} // namespace

class TestRules : public QObject {
    Q_OBJECT
private slots:
    void backOffWaitsLongerAfterFailures_data();
    void backOffWaitsLongerAfterFailures();
    void onePlanForEveryPollInput_data();
    void onePlanForEveryPollInput();
    void fileNameAndLineFormat();
    void boundsAroundTheThreshold();
    void helpLineEnds();
    void axisScale();
    void fontDescriptions();
    void mouseMessages();
    void trayActivationsBecomeMouseMessages_data();
    void trayActivationsBecomeMouseMessages();
    void popUpNeverOpensUnderThePointer_data();
    void popUpNeverOpensUnderThePointer();
    void commandLine_data();
    void commandLine();
    void signalChangesAndAlerts();
    void oneAlertAMinute();
    void chartFigures();
    void problemsStayUntilPutRight();
    void autostartEntryStartsThisProgram_data();
    void autostartEntryStartsThisProgram();
};

void TestRules::onePlanForEveryPollInput_data()
{
    using talvor::PollInputs;
    using talvor::PollPlan;
    QTest::addColumn<PollInputs>("in");
    QTest::addColumn<PollPlan>("plan");
    const auto in = [](bool autoCheck, std::optional<int> backOff, bool paused, std::optional<int> aim, bool test) {
        return PollInputs{1000, autoCheck, backOff, paused, aim, test};
    };
    QTest::newRow("the set interval") << in(true, {}, false, {}, false) << PollPlan{true, 1000, true};
    QTest::newRow("auto check off") << in(false, {}, false, {}, false) << PollPlan{false, 1000, true};
    QTest::newRow("backing off") << in(true, 8600, false, {}, false) << PollPlan{true, 8600, true};
    QTest::newRow("test mode during back-off") << in(true, 8600, false, {}, true) << PollPlan{true, 1000, false};
    QTest::newRow("test mode, auto check off") << in(false, {}, false, {}, true) << PollPlan{false, 1000, false};
    QTest::newRow("paused") << in(true, {}, true, {}, false) << PollPlan{false, 1000, true};
    QTest::newRow("paused in a test mode") << in(true, {}, true, {}, true) << PollPlan{true, 1000, false};
    QTest::newRow("aiming during back-off") << in(true, 8600, false, 500, false) << PollPlan{true, 500, true};
    QTest::newRow("aiming, auto check off") << in(false, {}, false, 500, false) << PollPlan{true, 500, true};
    QTest::newRow("paused while aiming") << in(true, {}, true, 500, false) << PollPlan{false, 1000, true};
    QTest::newRow("a test mode while aiming") << in(false, {}, false, 500, true) << PollPlan{true, 1000, false};
}

void TestRules::onePlanForEveryPollInput()
{
    QFETCH(talvor::PollInputs, in);
    QFETCH(talvor::PollPlan, plan);
    const talvor::PollPlan got = talvor::pollPlan(in);
    QCOMPARE(got.ticking, plan.ticking);
    QCOMPARE(got.waitMs, plan.waitMs);
    QCOMPARE(got.polls, plan.polls);
    // While aiming, a request is shown as waiting after the pace, a second at least.
    QCOMPARE(talvor::aimWaitingAfterMs(100), 1000);
    QCOMPARE(talvor::aimWaitingAfterMs(2000), 2000);
}

void TestRules::fileNameAndLineFormat()
{
    QCOMPARE(logFileName(QDate(2004, 3, 15)), QStringLiteral("2004_03_15_talvor_log.csv"));
    QVERIFY(isLogFileName(logFileName(QDate(2004, 3, 15))));
    for (const char *other : {"2004_03_1x_talvor_log.csv", "2004_03_15_talvor_log.csv.bak",
                              "x2004_03_15_talvor_log.csv", "2004-03-15_talvor_log.csv", "_talvor_log.csv"})
        QVERIFY2(!isLogFileName(QString::fromLatin1(other)), other);
    QCOMPARE(logLine(at(2004, 3, 15, 21, 5, 7), QStringLiteral("57")),
             QByteArray("\"2004/03/15\",\"09:05:07 pm\",57\r\n"));
    QCOMPARE(logLine(at(2004, 3, 15, 9, 5, 7), QStringLiteral("5.5")),
             QByteArray("\"2004/03/15\",\"09:05:07 am\",5.5\r\n"));
    QCOMPARE(logLine(at(2026, 12, 7, 12, 0, 0), QStringLiteral("-3")),
             QByteArray("\"2026/12/07\",\"12:00:00 pm\",-3\r\n"));
    QCOMPARE(logLine(at(2026, 1, 2, 0, 10, 0), QStringLiteral("100")),
             QByteArray("\"2026/01/02\",\"12:10:00 am\",100\r\n"));
    QCOMPARE(logLine(at(2026, 1, 2, 11, 59, 59), QStringLiteral("0.55")),
             QByteArray("\"2026/01/02\",\"11:59:59 am\",0.55\r\n"));
}

void TestRules::boundsAroundTheThreshold()
{
    QCOMPARE(simulationBounds(50).SimLow, qint16(45));
    QCOMPARE(simulationBounds(50).SimHigh, qint16(70));
    QCOMPARE(simulationBounds(0.5).SimLow, qint16(-4));
    QCOMPARE(simulationBounds(0.5).SimHigh, qint16(20));
    QCOMPARE(simulationBounds(0).SimLow, qint16(-5));
    // Thresholds whose bounds leave 16 bits are pinned, never a crash.
    QCOMPARE(simulationBounds(1e9).SimHigh, qint16(32767));
    QCOMPARE(simulationBounds(-1e9).SimLow, qint16(-32768));
    const SimulationBounds wide{-32768, 32767};
    QCOMPARE(simulatedReading(wide, 0.0f), -32768);
    QCOMPARE(simulatedReading(wide, std::nextafter(1.0f, 0.0f)), 32767);
    QCOMPARE(simulatedReading(simulationBounds(50), 0.0f), 45);
    QCOMPARE(simulatedReading(simulationBounds(50), std::nextafter(1.0f, 0.0f)), 70);
}

void TestRules::helpLineEnds()
{
    QCOMPARE(helpTextFromFile("a\rb\r\nc"), QStringLiteral("a\r\nb\r\nc\r\n"));
    QCOMPARE(helpTextFromFile("a\r\n\r\nb\r\n"), QStringLiteral("a\r\n\r\nb\r\n"));
    QCOMPARE(helpTextFromFile(""), QString());
    // Latin-1, one character per byte.
    QCOMPARE(helpTextFromFile("caf\xe9"), QString::fromUtf8("café\r\n"));
    // UTF-8, as editors save it today.
    QCOMPARE(helpTextFromFile("caf\xc3\xa9\r\n"), QString::fromUtf8("café\r\n"));
}

void TestRules::axisScale()
{
    const auto a = niceAxis(0, 100);
    QCOMPARE(a.low, 0.0);
    QCOMPARE(a.high, 100.0);
    QCOMPARE(a.step, 20.0);
    const auto b = niceAxis(-7, 250);
    QVERIFY(b.low <= -7 && b.high >= 250);
    QCOMPARE(std::fmod(b.high, b.step), 0.0);
    const auto c = niceAxis(0, 0);
    QVERIFY(c.high > c.low);
    // The histogram keeps 0 to 100 in view, except for readings below 0.
    QCOMPARE(chartAxis(0, 57).high, 100.0);
    const auto dBm = chartAxis(-105.5, -98);
    QVERIFY(dBm.low <= -105.5 && dBm.high == 0.0);
}

void TestRules::fontDescriptions()
{
    QCOMPARE(fontDescription(QStringLiteral("Arial"), 22, true, true, u'.'), QStringLiteral("Arial 22  Bold  Italic"));
    QCOMPARE(fontDescription(QStringLiteral("Arial"), 22, true, false, u'.'), QStringLiteral("Arial 22  Bold "));
    QCOMPARE(fontDescription(QStringLiteral("Arial"), 22, false, true, u'.'), QStringLiteral("Arial 22   Italic"));
    QCOMPARE(fontDescription(QStringLiteral("Arial"), 15.75f, false, false, u','), QStringLiteral("Arial 15,75  "));
}

void TestRules::mouseMessages()
{
    QCOMPARE(trayMouseAction(515), TrayMouseAction::Restore);
    QCOMPARE(trayMouseAction(518), TrayMouseAction::Restore);
    QCOMPARE(trayMouseAction(516), TrayMouseAction::PopUp);
    for (int code : {512, 513, 514, 517, 519, 0, -1})
        QCOMPARE(trayMouseAction(code), TrayMouseAction::None);
}

void TestRules::trayActivationsBecomeMouseMessages_data()
{
    // Activations as (kind, milliseconds since the last), with a 400 ms double-click time.
    QTest::addColumn<QList<int>>("kinds"); // 0 click, 1 double-click, 2 context click
    QTest::addColumn<QList<int>>("gaps");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("right double-click") << QList<int>{2, 2} << QList<int>{0, 300} << QList<int>{516, 518};
    QTest::newRow("two slow right clicks") << QList<int>{2, 2} << QList<int>{0, 500} << QList<int>{516, 516};
    QTest::newRow("right double-click, then a right click")
        << QList<int>{2, 2, 2} << QList<int>{0, 100, 100} << QList<int>{516, 518, 516};
    QTest::newRow("two left clicks") << QList<int>{0, 0} << QList<int>{0, 200} << QList<int>{513, 514, 515};
    QTest::newRow("three left clicks") << QList<int>{0, 0, 0} << QList<int>{0, 200, 200}
                                       << QList<int>{513, 514, 515, 513, 514};
    QTest::newRow("tray's own double-click") << QList<int>{0, 1} << QList<int>{0, 200} << QList<int>{513, 514, 515};
    QTest::newRow("right then left") << QList<int>{2, 0} << QList<int>{0, 100} << QList<int>{516, 513, 514};
}

void TestRules::trayActivationsBecomeMouseMessages()
{
    QFETCH(QList<int>, kinds);
    QFETCH(QList<int>, gaps);
    QFETCH(QList<int>, codes);
    TrayClickDecoder decoder;
    qint64 now = 1000;
    QList<int> got;
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        now += gaps[i];
        got += decoder.decode(TrayActivation(kinds[i]), now, 400);
    }
    QCOMPARE(got, codes);
}

void TestRules::popUpNeverOpensUnderThePointer_data()
{
    QTest::addColumn<QPoint>("cursor");
    QTest::newRow("panel at the top, left") << QPoint(10, 5);
    QTest::newRow("panel at the top, right") << QPoint(1275, 5);
    QTest::newRow("panel at the bottom, left") << QPoint(10, 1020);
    QTest::newRow("panel at the bottom, right") << QPoint(1279, 1023);
}

void TestRules::popUpNeverOpensUnderThePointer()
{
    QFETCH(QPoint, cursor);
    const QRect screen(0, 0, 1280, 1024);
    const QSize menu(240, 90);
    const QRect placed(popupPosition(cursor, menu, screen), menu);
    QVERIFY(screen.contains(placed));
    QVERIFY(!placed.contains(cursor));
}

void TestRules::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::newRow("plain") << QStringList{} << int(CommandLine::Run);
    QTest::newRow("Qt's own options") << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"),
                                                     QStringLiteral("-style=fusion")}
                                      << int(CommandLine::Run);
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << int(CommandLine::ShowHelp);
    QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << int(CommandLine::ShowVersion);
    QTest::newRow("--bogus") << QStringList{QStringLiteral("--bogus")} << int(CommandLine::Refuse);
    QTest::newRow("bogus beside --help") << QStringList{QStringLiteral("--help"), QStringLiteral("-x")}
                                         << int(CommandLine::Refuse);
    QTest::newRow("--status --format waybar")
        << QStringList{QStringLiteral("--status"), QStringLiteral("--format"), QStringLiteral("waybar")}
        << int(CommandLine::Status);
    QTest::newRow("another format") << QStringList{QStringLiteral("--status"), QStringLiteral("--format=i3")}
                                    << int(CommandLine::Refuse);
    QTest::newRow("--headless") << QStringList{QStringLiteral("--headless")} << int(CommandLine::Headless);
    QTest::newRow("--headless --status") << QStringList{QStringLiteral("--headless"), QStringLiteral("--status")}
                                         << int(CommandLine::Refuse);
    QTest::newRow("--aim --phone") << QStringList{QStringLiteral("--aim"), QStringLiteral("--phone")}
                                   << int(CommandLine::Run);
    QTest::newRow("--phone alone") << QStringList{QStringLiteral("--phone")} << int(CommandLine::Refuse);
    QTest::newRow("--aim --headless") << QStringList{QStringLiteral("--aim"), QStringLiteral("--headless")}
                                      << int(CommandLine::Refuse);
    QTest::newRow("a format alone") << QStringList{QStringLiteral("--format=waybar")} << int(CommandLine::Refuse);
    QTest::newRow("--events") << QStringList{QStringLiteral("--events"), QStringLiteral("2026-11-01"),
                                             QStringLiteral("2026-11-30"), QStringLiteral("e.csv")}
                              << int(CommandLine::Events);
    QTest::newRow("--events to a PDF") << QStringList{QStringLiteral("--events"), QStringLiteral("2026-11-01"),
                                                      QStringLiteral("2026-11-30"), QStringLiteral("e.pdf")}
                                       << int(CommandLine::Refuse);
}

void TestRules::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QCOMPARE(int(parseCommandLine(QStringList{QStringLiteral("talvor")} + arguments).action), action);
}

void TestRules::signalChangesAndAlerts()
{
    // Each poll a second apart: a reading, or "" for none; then the alert it
    // raises, the tip's line and whether the icon is stale.
    const struct {
        const char *reading;
        const char *alert;
        const char *line;
        bool stale;
    } polls[] = {
        {"57", "", "Last reading 57 at 14:00:00", false},
        {"42", "Signal low: 42 (threshold 50)", "Last reading 42 at 14:00:01", false},
        {"40", "", "Last reading 40 at 14:00:02", false},
        {"", "", "No reading since 14:00:02: refused", false},
        {"", "", "No reading since 14:00:02: refused", false},
        {"", "Modem not answering: refused", "No reading since 14:00:02: refused", true},
        {"", "", "No reading since 14:00:02: refused", true},
        {"45", "Modem answering again: 45", "Last reading 45 at 14:00:07", false},
        {"57", "Signal back: 57", "Last reading 57 at 14:00:08", false},
    };
    SignalWatch watch;
    QTime at(14, 0, 0);
    for (const auto &poll : polls) {
        const QString reading = QString::fromLatin1(poll.reading);
        const auto change =
            reading.isEmpty() ? watch.noReading(QStringLiteral("refused"), at) : watch.reading(reading, 50, at);
        QCOMPARE(change.text, QString::fromLatin1(poll.alert));
        QCOMPARE(watch.statusLine(), QString::fromLatin1(poll.line));
        QCOMPARE(watch.stale(), poll.stale);
        at = at.addSecs(1);
    }
}

void TestRules::oneAlertAMinute()
{
    using A = SignalWatch::Alert;
    AlertGate gate;
    QCOMPARE(gate.offer(A::Low, QStringLiteral("low 1"), 0), std::optional<QString>(QStringLiteral("low 1")));
    QCOMPARE(gate.offer(A::Back, QStringLiteral("back"), 10'000), std::nullopt);
    QCOMPARE(gate.offer(A::Low, QStringLiteral("low 2"), 20'000), std::nullopt);
    // The latest state within the minute is what was told already: nothing more.
    QCOMPARE(gate.due(60'000), std::nullopt);
    QCOMPARE(gate.offer(A::NotAnswering, QStringLiteral("down"), 70'000),
             std::optional<QString>(QStringLiteral("down")));
    QCOMPARE(gate.offer(A::AnsweringAgain, QStringLiteral("up"), 80'000), std::nullopt);
    QCOMPARE(gate.dueAtMs(), 130'000);
    QCOMPARE(gate.due(129'999), std::nullopt);
    QCOMPARE(gate.due(130'000), std::optional<QString>(QStringLiteral("up")));
    // The minute is 60 000 ms to the millisecond, on either side.
    QCOMPARE(gate.offer(A::Low, QStringLiteral("low 3"), 189'999), std::nullopt);
    QCOMPARE(gate.offer(A::Low, QStringLiteral("low 4"), 190'000), std::optional<QString>(QStringLiteral("low 4")));
}

void TestRules::chartFigures()
{
    ChartFigures figures(50);
    QCOMPARE(figures.text(), QString());
    for (const double v : {31.0, 66.0, 50.0, 63.0})
        figures.add(v);
    QCOMPARE(figures.text(), QStringLiteral("min 31  avg 52.5  max 66  50% at or below 50"));
}

void TestRules::problemsStayUntilPutRight()
{
    SignalEvents events;
    QSignalSpy lines(&events, &SignalEvents::statusLineChanged);
    QSignalSpy raised(&events, &SignalEvents::problemRaised);
    const QDateTime at(QDate(2026, 12, 9), QTime(14, 0));
    events.setProblem(QStringLiteral("record"), QStringLiteral("The record cannot be written (disk full)"));
    events.setProblem(QStringLiteral("record"), QStringLiteral("The record cannot be written (locked)"));
    events.setProblem(QStringLiteral("MQTT"), QStringLiteral("MQTT broker refused the connection"));
    // The next polls keep them in the tip, told only once a part.
    events.reading(QStringLiteral("57"), 50, at);
    events.noReading(QStringLiteral("timed out"), SignalWatch::Failure::NoAnswer, at.addSecs(1));
    QCOMPARE(lines.last().first().toString(),
             QStringLiteral("No reading since 14:00:00: timed out\n"
                            "MQTT broker refused the connection\n"
                            "The record cannot be written (locked)"));
    QCOMPARE(raised.size(), 2);
    QCOMPARE(events.problems().size(), 2);
    events.setProblem(QStringLiteral("record"), {});
    QCOMPARE(events.problems(), QStringList(QStringLiteral("MQTT broker refused the connection")));
    events.setProblem(QStringLiteral("record"), QStringLiteral("again"));
    QCOMPARE(raised.size(), 3);
}

void TestRules::autostartEntryStartsThisProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/bin/talvor"
                           << ""
                           << R"(Exec="/usr/bin/talvor")";
    // Quoted for the command line, then the file's backslashes doubled.
    QTest::newRow("quote and backslash") << R"(/opt/a"b\c/talvor)"
                                         << ""
                                         << R"(Exec="/opt/a\\"b\\\\c/talvor")";
    QTest::newRow("dollar, backtick, percent") << "/opt/$x`%/talvor"
                                               << ""
                                               << R"(Exec="/opt/\\$x\\`%%/talvor")";
    QTest::newRow("own folder") << "/usr/bin/talvor"
                                << "/home/a b/barn"
                                << R"(Exec=env "TALVOR_HOME=/home/a b/barn" "/usr/bin/talvor")";
}

void TestRules::autostartEntryStartsThisProgram()
{
    QFETCH(QString, program);
    QFETCH(QString, home);
    QFETCH(QString, exec);
    const QStringList lines = QString::fromUtf8(talvor::autostartEntry(program, home)).split(u'\n');
    QVERIFY2(lines.contains(exec), qPrintable(lines.join(u'\n')));
}

void TestRules::backOffWaitsLongerAfterFailures_data()
{
    QTest::addColumn<double>("jitter");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QList<int>>("waits"); // after each failure in a row, in ms
    QTest::newRow("1 s") << 0.0 << 1000 << QList<int>{1000,  1000,  1000,   2000,   4000,   8000,  16000,
                                                      32000, 64000, 128000, 256000, 300000, 300000};
    QTest::newRow("a tenth more") << 1.0 << 1000 << QList<int>{1000, 1000, 1000, 2200, 4400, 8800};
    QTest::newRow("a tenth less") << -1.0 << 1000 << QList<int>{1000, 1000, 1000, 1800, 3600};
    QTest::newRow("never past five minutes") << 1.0 << 200000 << QList<int>{200000, 200000, 200000, 300000};
    QTest::newRow("slower than that already") << 0.0 << 400000 << QList<int>{400000, 400000, 400000, 400000};
}

void TestRules::backOffWaitsLongerAfterFailures()
{
    QFETCH(double, jitter);
    QFETCH(int, interval);
    QFETCH(QList<int>, waits);
    PollBackOff backOff([jitter] { return jitter; });
    for (int round = 0; round < 2; ++round) {
        QList<int> got;
        for (qsizetype i = 0; i < waits.size(); ++i)
            got << backOff.failed(interval);
        QCOMPARE(got, waits);
        // A reading brings the set interval back, and the count starts again.
        backOff.succeeded();
        QVERIFY(!backOff.backingOff());
    }
}

QTEST_APPLESS_MAIN(TestRules)
#include "test_rules.moc"
