// The minute record's pure rules: folding log lines into minutes, the figures
// of a range, and the report's rows, checked against figures computed here
// from the readings themselves.
#include "core/fetch/TransferTexts.h"
#include "core/record/LogLine.h"
#include "core/record/MinuteRecord.h"
#include "core/record/SettingsHistory.h"

#include <QTest>

#include <cstdlib>
#include <ctime>

using namespace talvor;

class TestRecordRules : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void logLinesFoldIntoMinutes_data();
    void logLinesFoldIntoMinutes();
    void outagesAreRunsOfMinutes();
    void reportMatchesTheReadings_data();
    void reportMatchesTheReadings();
    void valueCountsAnswerAnyThreshold_data();
    void valueCountsAnswerAnyThreshold();
    void eventsAreRunsOfMinutes_data();
    void eventsAreRunsOfMinutes();
    void aSettingIsStatedAsItHeld();
};

void TestRecordRules::initTestCase()
{
    // A zone with daylight-saving time: 29 March 2026 has 23 hours there,
    // 25 October 2026 has 25.
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

void TestRecordRules::logLinesFoldIntoMinutes_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("minute"); // local time of the one minute expected
    QTest::addColumn<int>("readings");
    QTest::addColumn<int>("skipped");
    QTest::newRow("12 am is just after midnight")
        << QByteArray("\"2026/03/15\",\"12:00:05 am\",57\r\n\"2026/03/15\",\"12:00:55 am\",59\r\n")
        << "2026-03-15T00:00" << 2 << 0;
    QTest::newRow("12 pm is just after noon")
        << QByteArray("\"2026/03/15\",\"12:30:00 pm\",57\r\n") << "2026-03-15T12:30" << 1 << 0;
    QTest::newRow("torn last line waits, junk is counted")
        << QByteArray("date,time,reading\r\n\"2026/03/15\",\"09:05:07 pm\",57\r\n\"2026/03/15\",\"13:05:07 pm\",5\r\n"
                      "\"2026/03/15\",\"09:05:09 pm\",5")
        << "2026-03-15T21:05" << 1 << 2;
    QTest::newRow("a decimal and a negative reading") << QByteArray("\"2026/03/15\",\"09:05:07 am\",5.5\n"
                                                                    "\"2026/03/15\",\"09:05:08 am\",-3\n")
                                                      << "2026-03-15T09:05" << 2 << 0;
    QTest::newRow("the hour after the spring change")
        << QByteArray("\"2026/03/29\",\"03:10:00 am\",50\r\n") << "2026-03-29T03:10" << 1 << 0;
}

void TestRecordRules::logLinesFoldIntoMinutes()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, minute);
    QFETCH(int, readings);
    QFETCH(int, skipped);
    LogFolder folder;
    const qsizetype used = folder.addLines(lines);
    QCOMPARE(folder.skipped(), skipped);
    QCOMPARE(int(folder.minutes().size()), 1);
    const MinuteRow &row = folder.minutes().begin()->second;
    QCOMPARE(minuteStart(row.minute).toLocalTime(), QDateTime::fromString(minute, Qt::ISODate));
    QCOMPARE(row.readings, readings);
    // Only whole lines are used: a torn one is read again once it is whole.
    QCOMPARE(lines.left(used).endsWith('\n'), true);
}

void TestRecordRules::outagesAreRunsOfMinutes()
{
    QList<MinuteRow> rows;
    const auto add = [&rows](qint64 minute, int readings, int failures) {
        MinuteRow row;
        row.minute = minute;
        for (int i = 0; i < readings; ++i)
            row.addReading(40 + i);
        for (int i = 0; i < failures; ++i)
            row.addFailure(QStringLiteral("Connection refused"));
        row.low = row.counts.atOrBelow(50);
        rows << row;
    };
    const qint64 base = epochMinute(QDateTime(QDate(2026, 3, 15), QTime(2, 14)));
    add(base - 1, 2, 0);
    for (int i = 0; i < 31; ++i)
        add(base + i, 0, 12);
    add(base + 31, 2, 3); // most polls gave none: still out
    add(base + 32, 2, 2); // as many readings as failures: the outage is over
    add(base + 40, 0, 1); // after a gap the program was not running: a new outage
    const RangeFigures f = RangeFigures::of(rows);
    QCOMPARE(f.outages, 2);
    QCOMPARE(f.outageMinutes, 33);
    QCOMPARE(f.longestOutage, 32);
    QCOMPARE(f.readings, 6);
    QCOMPARE(f.text(50),
             QStringLiteral("100% of readings at or below 50, outages: 2 (33 min, longest 32 min at 02:14)"));
}

void TestRecordRules::reportMatchesTheReadings_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<int>("days");
    QTest::newRow("an ordinary week") << QDate(2026, 6, 1) << 7;
    QTest::newRow("23- and 25-hour days") << QDate(2026, 3, 28) << 2;
    QTest::newRow("the 25-hour day") << QDate(2026, 10, 25) << 1;
}

void TestRecordRules::reportMatchesTheReadings()
{
    QFETCH(QDate, from);
    QFETCH(int, days);
    // Readings every 7 seconds through each day, written by the program's own
    // log writer; the expected figures are counted from the same readings,
    // for a threshold the minutes never heard of when they were folded.
    constexpr int Threshold = 43;
    QByteArray log;
    QByteArray expected = "date,readings,min,avg,max,percent_at_or_below,outage_minutes,threshold,"
                          "coverage_percent,low_minutes\r\n";
    for (int d = 0; d < days; ++d) {
        const QDate day = from.addDays(d);
        qint64 count = 0, low = 0;
        double sum = 0, min = 1e9, max = -1e9;
        // By the log's local clock: the repeated hour of the 25-hour day is one.
        std::map<QString, std::pair<int, int>> minutes; // low, all
        for (QDateTime t = day.startOfDay(); t < day.addDays(1).startOfDay(); t = t.addSecs(7)) {
            const int value = 30 + int((t.toSecsSinceEpoch() / 7) % 41);
            log += logLine(t, QString::number(value));
            ++count;
            sum += value;
            low += value <= Threshold;
            auto &minute = minutes[t.toString(QStringLiteral("yyyyMMddHHmm"))];
            minute.first += value <= Threshold;
            ++minute.second;
            min = std::min<double>(min, value);
            max = std::max<double>(max, value);
        }
        const auto lowMinutes = std::count_if(minutes.begin(), minutes.end(),
                                              [](const auto &m) { return 2 * m.second.first > m.second.second; });
        expected += day.toString(Qt::ISODate).toLatin1() + ',' + QByteArray::number(count) + ','
            + QByteArray::number(min) + ',' + QByteArray::number(sum / double(count), 'f', 2) + ','
            + QByteArray::number(max) + ',' + QByteArray::number(100.0 * double(low) / double(count), 'f', 1) + ','
            + (d == 0 ? "5" : "0") + ',' + QByteArray::number(Threshold) + ','
            + QByteArray::number(100.0 * double(minutes.size()) * 60
                                     / double(day.startOfDay().secsTo(day.addDays(1).startOfDay())),
                                 'f', 1)
            + ',' + QByteArray::number(qint64(lowMinutes)) + "\r\n";
    }
    LogFolder folder;
    folder.addLines(log);
    QCOMPARE(folder.skipped(), 0);
    QList<MinuteRow> rows;
    // The first day has two outages, of 3 and 2 minutes: most polls gave nothing.
    const qint64 first = epochMinute(from.startOfDay());
    const QList<qint64> outage{first + 600, first + 601, first + 602, first + 730, first + 731};
    for (auto [minute, row] : folder.minutes()) {
        for (int i = 0; outage.contains(minute) && i < 12; ++i)
            row.addFailure(QStringLiteral("timed out"));
        row.low = row.counts.atOrBelow(Threshold);
        rows << row;
    }
    // The repeated hour of the 25-hour day is written twice with the same
    // local times; both land in the day, as the log says.
    QCOMPARE(reportCsv(rows, from, from.addDays(days - 1), Threshold, std::numeric_limits<qint64>::max()), expected);
}

void TestRecordRules::valueCountsAnswerAnyThreshold_data()
{
    QTest::addColumn<QList<double>>("readings");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<int>("low");
    QTest::newRow("below all") << QList<double>{44, 49, 49, 61} << 43.0 << 0;
    QTest::newRow("at a value counts it") << QList<double>{44, 49, 49, 61} << 49.0 << 3;
    QTest::newRow("between values") << QList<double>{44, 49, 49, 61} << 60.5 << 3;
    QTest::newRow("above all") << QList<double>{44, 49, 49, 61} << 100.0 << 4;
    QTest::newRow("negative and decimal") << QList<double>{-105.5, -99, 12.5, -105.5} << -100.0 << 2;
}

void TestRecordRules::valueCountsAnswerAnyThreshold()
{
    QFETCH(QList<double>, readings);
    QFETCH(double, threshold);
    QFETCH(int, low);
    ValueCounts counts;
    for (double r : readings)
        counts.add(r);
    QCOMPARE(counts.atOrBelow(threshold), low);
    // The stored form answers the same, and reads back as it was.
    QCOMPARE(ValueCounts::atOrBelow(counts.packed(), threshold), low);
    QCOMPARE(ValueCounts::unpacked(counts.packed()), counts);
    // Old minutes: exact where their figures allow it, and never beyond
    // what their lowest and highest readings say.
    const double min = *std::min_element(readings.begin(), readings.end());
    const double max = *std::max_element(readings.begin(), readings.end());
    const ValueCounts old = ValueCounts::approximated(readings.size(), min, max, low);
    QCOMPARE(old.atOrBelow(threshold), low);
    QCOMPARE(old.atOrBelow(min - 1), 0);
    QCOMPARE(old.atOrBelow(max), readings.size());
}

void TestRecordRules::eventsAreRunsOfMinutes_data()
{
    // A character a minute from 23:50 on 14 March: L low, H half low, G
    // good, O no answer, R the login refused (F a form's), E an error status, . no row
    // (Talvor not running); the range is the whole string.
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QStringList>("events"); // kind first-last (minute offsets)
    QTest::newRow("a spell across midnight is one")
        << QStringLiteral("GGLLLLLLLLLLLLLGG") << QStringList{QStringLiteral("low 2-14")};
    QTest::newRow("a spell at the end of the range")
        << QStringLiteral("GGGLL") << QStringList{QStringLiteral("low 3-4")};
    QTest::newRow("half low is not low") << QStringLiteral("LLHLL")
                                         << QStringList{QStringLiteral("low 0-1"), QStringLiteral("low 3-4")};
    QTest::newRow("a missing minute ends a spell")
        << QStringLiteral("LL.LL") << QStringList{QStringLiteral("low 0-1"), QStringLiteral("low 3-4")};
    QTest::newRow("four minutes away is no gap") << QStringLiteral("G....G") << QStringList{};
    QTest::newRow("five minutes away is")
        << QStringLiteral("G.....G") << QStringList{QStringLiteral("not_running 1-5")};
    QTest::newRow("not running at the start and end")
        << QStringLiteral(".....GG.....")
        << QStringList{QStringLiteral("not_running 0-4"), QStringLiteral("not_running 7-11")};
    QTest::newRow("an outage inside a low spell")
        << QStringLiteral("LLOOLL")
        << QStringList{QStringLiteral("low 0-1"), QStringLiteral("outage 2-3"), QStringLiteral("low 4-5")};
    // A wrong password is the user's, an error page the modem's: neither is an outage.
    QTest::newRow("causes apart") << QStringLiteral("OORRRE")
                                  << QStringList{QStringLiteral("outage 0-1"), QStringLiteral("refused 2-4"),
                                                 QStringLiteral("error 5-5")};
    QTest::newRow("a form login refused")
        << QStringLiteral("OOFF") << QStringList{QStringLiteral("outage 0-1"), QStringLiteral("refused 2-3")};
}

void TestRecordRules::eventsAreRunsOfMinutes()
{
    QFETCH(QString, minutes);
    QFETCH(QStringList, events);
    const qint64 from = epochMinute(QDateTime(QDate(2026, 3, 14), QTime(23, 50)));
    QList<MinuteRow> rows;
    for (int i = 0; i < minutes.size(); ++i) {
        if (minutes[i] == u'.')
            continue;
        MinuteRow row;
        row.minute = from + i;
        for (int poll = 0; poll < 6; ++poll) {
            if (minutes[i] == u'O')
                row.addFailure(QStringLiteral("timed out"));
            else if (minutes[i] == u'R')
                row.addFailure(talvor::loginRefusedText());
            else if (minutes[i] == u'F')
                row.addFailure(talvor::formLoginRefusedText(QStringLiteral("401 Unauthorized")));
            else if (minutes[i] == u'E')
                row.addFailure(talvor::errorStatusText(QStringLiteral("503 Service Unavailable")));
            else
                // Most of a low minute's readings are low; one of them is not.
                row.addReading(minutes[i] == u'L'       ? (poll == 0 ? 60 : 44 + poll)
                                   : minutes[i] == u'H' ? (poll < 3 ? 45 : 61)
                                                        : 61 + poll);
        }
        row.low = row.counts.atOrBelow(50);
        rows << row;
    }
    const QList<RecordEvent> found = recordEvents(rows, from, from + minutes.size());
    QStringList got;
    for (const RecordEvent &e : found)
        got << QStringLiteral("%1 %2-%3").arg(e.kindName()).arg(e.start - from).arg(e.end - 1 - from);
    QCOMPARE(got, events);
    // A row of the CSV each, in local time, with its length and lowest reading.
    const QList<QByteArray> lines = eventsCsv(found).split('\n');
    QCOMPARE(lines.size(), found.size() + 2);
    QCOMPARE(lines[0], QByteArray("start,end,minutes,kind,lowest,reason\r"));
    if (QByteArray(QTest::currentDataTag()) == "a spell across midnight is one")
        QCOMPARE(lines[1], QByteArray("2026-03-14 23:52,2026-03-15 00:05,13,low,45,\r"));
    // Each row has only the fields of its kind: a lowest reading, or a reason.
    if (QByteArray(QTest::currentDataTag()) == "an outage inside a low spell") {
        QCOMPARE(lines[1], QByteArray("2026-03-14 23:50,2026-03-14 23:52,2,low,45,\r"));
        QCOMPARE(lines[2], QByteArray("2026-03-14 23:52,2026-03-14 23:54,2,outage,,timed out\r"));
    }
}

QTEST_APPLESS_MAIN(TestRecordRules)
// What held over a period: the value in force at its start, each change
// within it once, a long run cut short; the spacing logs show.
void TestRecordRules::aSettingIsStatedAsItHeld()
{
    const qint64 day = QDateTime(QDate(2026, 11, 10), QTime(0, 0)).toMSecsSinceEpoch();
    const qint64 hour = 3'600'000;
    const auto change = [&](qint64 at, const char *value) {
        return talvor::SettingChange{at, talvor::IntervalSetting, QString::fromLatin1(value)};
    };
    const QList<talvor::SettingChange> changes{change(day - hour, "every 30 s"), change(day + 14 * hour, "every 5 s"),
                                               change(day + 15 * hour, "every 5 s"),
                                               change(day + 30 * hour, "every 1 s")};
    QCOMPARE(talvor::settingHeld(changes, day, day + 24 * hour, QStringLiteral("x")),
             QStringLiteral("every 30 s; every 5 s from 10 Nov 14:00"));
    QCOMPARE(talvor::settingHeld(changes, day + 40 * hour, day + 48 * hour, {}), QStringLiteral("every 1 s"));
    QCOMPARE(talvor::settingHeld(changes, day - 2 * hour, day, QStringLiteral("readings about every 30 s")),
             QStringLiteral("readings about every 30 s; every 30 s from 9 Nov 23:00"));
    QList<talvor::SettingChange> many;
    for (int i = 1; i <= 6; ++i)
        many << change(day + i * hour, i % 2 ? "a" : "b");
    QCOMPARE(talvor::settingHeld(many, day, day + 24 * hour, {}),
             QStringLiteral("a from 10 Nov 01:00; b from 10 Nov 02:00; a from 10 Nov 03:00; 2 more changes; "
                            "b from 10 Nov 06:00"));
    QCOMPARE(talvor::spacingShown({2, 2, 0, 1, 2, 3}), QStringLiteral("readings about every 30 s"));
    QCOMPARE(talvor::spacingShown({1, 0, 1}), QStringLiteral("readings about once a minute or less often"));
    QCOMPARE(talvor::spacingShown({0}), QString());
}

#include "test_record_rules.moc"
