// The record on disk: minutes written live survive a restart, daily logs are
// folded in once and never over what the program saw itself, a grown or
// replaced log is read on or anew without counting twice, and the record
// gives up no history: only a damaged file is set aside, while a locked one
// or a full disk only keeps the minutes waiting.
#include "SettingsFiles.h"
#include "core/record/LogLine.h"
#include "monitor/record/LogImport.h"
#include "monitor/record/RecordWriter.h"
#include "monitor/record/SignalRecord.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <numeric>
#include <sqlite3.h>
#include <unistd.h>

using talvor::MinuteRow;

class TestRecord : public QObject {
    Q_OBJECT
private slots:
    void liveMinutesAndLogsMeetOnce();
    void logsThatChange_data();
    void logsThatChange();
    void recordFaults_data();
    void recordFaults();
    void aNewRecordHasTodaysColumns();
    void minutesWaitForALockOrAFullDisk_data();
    void minutesWaitForALockOrAFullDisk();
    void twoYearsAreKept();
    void anOldRecordIsMigratedAndAnyThresholdCounts();
    void aReadCutShortIsSaid();
    void minutesLetGoAfterAWeekAreCounted();
};

namespace {
QDateTime at(const char *time, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime::fromString(QLatin1String(time), QStringLiteral("HH:mm:ss")));
}

const qint64 Always = std::numeric_limits<qint64>::max();

QList<MinuteRow> allRows(const QString &folder)
{
    RecordStore store(QDir(folder).filePath(RecordStore::FileName));
    store.openToRead();
    return store.rows(0, Always, 50);
}

qint64 readingsIn(const QList<MinuteRow> &rows)
{
    qint64 n = 0;
    for (const MinuteRow &row : rows)
        n += row.readings;
    return n;
}

// A record of `minutes` minutes from 10:00, as the program writes it.
void writeRecord(const QString &folder, int minutes)
{
    RecordStore store(QDir(folder).filePath(RecordStore::FileName));
    QVERIFY(store.open().isEmpty());
    for (int i = 0; i < minutes; ++i) {
        MinuteRow row;
        row.minute = talvor::epochMinute(at("10:00:00", 1)) + i;
        row.addReading(50 + i % 20);
        QVERIFY(store.writeLive(row));
    }
    // Everything into the main file, so that damage to it is damage.
    sqlite3 *db = nullptr;
    sqlite3_open(QDir(folder).filePath(RecordStore::FileName).toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}
} // namespace

void TestRecord::liveMinutesAndLogsMeetOnce()
{
    QTemporaryDir home;
    const QString log = QDir(home.path()).filePath(talvor::logFileName(QDate(2026, 12, 7)));
    {
        SignalRecord record(home.path());
        QDateTime now = at("10:00:05");
        record.setClock([&now] { return now; });
        record.open();
        record.reading(57, at("10:00:05"));
        record.reading(45, at("10:00:30"));
        now = at("10:01:10");
        record.noReading(QStringLiteral("Connection refused"), now);
        // As many readings as failures: not an outage.
        now = at("10:02:10");
        record.reading(52, now);
        record.noReading(QStringLiteral("Connection refused"), at("10:02:20"));
        // The program's own log has the 10:00 readings too, and one before.
        writeFile(log,
                  talvor::logLine(at("09:59:40"), QStringLiteral("61"))
                      + talvor::logLine(at("10:00:05"), QStringLiteral("57"))
                      + talvor::logLine(at("10:00:30"), QStringLiteral("45")));
    } // the minute being filled is written as the program ends
    RecordStore store(QDir(home.path()).filePath(RecordStore::FileName));
    QVERIFY(store.open().isEmpty());
    QCOMPARE(importLogs(store, home.path()).lines, 3);
    QCOMPARE(importLogs(store, home.path()).files, 0);

    const QList<MinuteRow> rows =
        store.rows(talvor::epochMinute(at("09:00:00")), talvor::epochMinute(at("11:00:00")), 50);
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0].readings, 1); // 09:59 from the log
    QCOMPARE(rows[1].readings, 2); // 10:00 as seen live, not doubled by the log
    QCOMPARE(rows[1].low, std::optional<qint64>(1));
    QCOMPARE(rows[2].failures, 1);
    QCOMPARE(rows[2].reason, QStringLiteral("Connection refused"));
    const QList<TimelineColumn> columns =
        store.columns(talvor::epochMinute(at("09:59:00")), talvor::epochMinute(at("10:03:00")), 4, 50);
    QCOMPARE(columns[2].outageMinutes, 1);
    QCOMPARE(columns[3].outageMinutes, 0);
    QCOMPARE(columns[1].sums.min, 45.0);
    // Zoomed in to ten columns a minute: each minute fills its ten, no stripes.
    const QList<TimelineColumn> zoomed =
        store.columns(talvor::epochMinute(at("09:59:00")), talvor::epochMinute(at("10:03:00")), 40, 50);
    for (int c = 0; c < 40; ++c)
        QVERIFY(zoomed[c].sums.readings + zoomed[c].outageMinutes > 0);
    QCOMPARE(zoomed[15].sums.min, 45.0);
    QCOMPARE(zoomed[25].outageMinutes, 1);
    // The same outage through the hourly sums and the figures.
    const qint64 nine = talvor::epochMinute(at("09:00:00")), eleven = talvor::epochMinute(at("11:00:00"));
    QCOMPARE(store.columns(nine, eleven, 2, 50)[1].outageMinutes, 1);
    QCOMPARE(store.figures(nine, eleven, 50).outageMinutes, 1);

    // A live minute after an import replaces the imported one, not adds to it.
    SignalRecord later(home.path());
    later.open();
    later.reading(70, at("09:59:10"));
    later.flush();
    QTRY_COMPARE(store.rows(talvor::epochMinute(at("09:59:00")), talvor::epochMinute(at("10:00:00")), 50).value(0).max,
                 70.0);
    QCOMPARE(store.rows(talvor::epochMinute(at("09:59:00")), talvor::epochMinute(at("10:00:00")), 50)[0].readings, 1);
    // A restart within a minute adds to what it had, each reading by value.
    later.reading(40, at("10:00:50"));
    later.flush();
    QTRY_COMPARE(store.rows(talvor::epochMinute(at("10:00:00")), talvor::epochMinute(at("10:01:00")), 57)
                     .value(0)
                     .low.value_or(-1),
                 qint64(3));
}

void TestRecord::logsThatChange_data()
{
    // Each step is the whole log as it then stands; the record is folded in
    // after each. `readings` counts what the record must hold at the end.
    QTest::addColumn<QList<QByteArray>>("steps");
    QTest::addColumn<qint64>("readings");
    QTest::addColumn<qint64>("skipped");
    const auto line = [](const char *time, const char *value) {
        return talvor::logLine(at(time), QString::fromLatin1(value));
    };
    const QByteArray a = line("09:00:00", "61") + line("09:00:30", "62");
    // b and c add to minutes read before.
    const QByteArray b = line("09:00:50", "63");
    const QByteArray c = line("09:00:55", "64") + line("09:02:30", "65");
    QTest::newRow("grown twice") << QList<QByteArray>{a, a + b, a + b + c} << qint64(5) << qint64(0);
    QTest::newRow("a torn last line, then ended")
        << QList<QByteArray>{a + "\"2026/12/07\",\"09:0", a + line("09:03:00", "66")} << qint64(3) << qint64(0);
    // Rewritten smaller, then grown past where it was read before.
    QTest::newRow("replaced by a shorter one, then grown")
        << QList<QByteArray>{a + b + c, b, b + c + line("09:04:00", "67") + line("09:05:00", "68")} << qint64(5)
        << qint64(0);
    QTest::newRow("replaced by one as long") << QList<QByteArray>{a + b, b + a} << qint64(3) << qint64(0);
    // Hundreds of digits and their negative would add up to NaN.
    const auto raw = [](const QByteArray &value) { return "\"2026/12/07\",\"09:07:00 am\"," + value + "\r\n"; };
    const QByteArray huge(400, '9');
    QTest::newRow("readings no modem gives")
        << QList<QByteArray>{a + raw(huge) + raw("-" + huge) + raw("inf") + raw("1e999") + b} << qint64(3) << qint64(4);
    QTest::newRow("a line far too long") << QList<QByteArray>{a + QByteArray(10000, 'x') + "\r\n" + b,
                                                              a + QByteArray(10000, 'x') + "\r\n" + b + c}
                                         << qint64(5) << qint64(1);
}

void TestRecord::logsThatChange()
{
    QFETCH(QList<QByteArray>, steps);
    QFETCH(qint64, readings);
    QFETCH(qint64, skipped);
    QTemporaryDir home;
    const QString log = QDir(home.path()).filePath(talvor::logFileName(QDate(2026, 12, 7)));
    // A later day's log must go in whatever happens to this one.
    const QString next = QDir(home.path()).filePath(talvor::logFileName(QDate(2026, 12, 8)));
    writeFile(next, talvor::logLine(at("12:00:00", 8), QStringLiteral("55")));
    RecordStore store(QDir(home.path()).filePath(RecordStore::FileName));
    QVERIFY(store.open().isEmpty());
    qint64 skippedSeen = 0;
    for (const QByteArray &step : steps) {
        writeFile(log, step);
        // A new time each step, as a writer's would be.
        QFile(log).setFileTime(QDateTime::currentDateTime().addSecs(steps.indexOf(step) + 1),
                               QFileDevice::FileModificationTime);
        const ImportResult result = importLogs(store, home.path());
        QVERIFY(!result.stopped);
        skippedSeen += result.skipped;
    }
    // Every reading is counted by value too: all are at or below 1000.
    const QList<MinuteRow> rows = store.rows(0, talvor::epochMinute(at("00:00:00", 8)), 1000);
    QCOMPARE(readingsIn(rows), readings);
    QCOMPARE(std::accumulate(rows.begin(), rows.end(), qint64(0),
                             [](qint64 n, const MinuteRow &r) { return n + r.low.value_or(0); }),
             readings);
    QCOMPARE(readingsIn(store.rows(talvor::epochMinute(at("00:00:00", 8)), Always, 50)), qint64(1));
    QCOMPARE(skippedSeen, skipped);
}

void TestRecord::recordFaults_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("setAside");
    QTest::newRow("not a database") << "garbage" << true;
    QTest::newRow("cut short") << "truncate" << true;
    QTest::newRow("a page in the middle overwritten") << "middle" << true;
    QTest::newRow("intact") << "none" << false;
}

void TestRecord::recordFaults()
{
    QFETCH(QString, damage);
    QFETCH(bool, setAside);
    QTemporaryDir home;
    const QString path = QDir(home.path()).filePath(RecordStore::FileName);
    // An earlier set-aside stays whatever happens.
    writeFile(path + QStringLiteral(".bad"), "an earlier history");
    if (damage == u"garbage") {
        writeFile(path, QByteArray(4096, 'x'));
    } else {
        writeRecord(home.path(), 3000);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (damage == u"truncate")
            QVERIFY(file.resize(file.size() / 2));
        if (damage == u"middle") {
            QVERIFY(file.seek(file.size() / 2 / 4096 * 4096));
            file.write(QByteArray(4096, '\x5a'));
        }
    }
    const QByteArray before = readFile(path);
    {
        SignalRecord record(home.path());
        QSignalSpy notices(&record, &SignalRecord::notice);
        record.open();
        record.reading(60, QDateTime::currentDateTime());
        record.flush();
        QTRY_VERIFY(record.store().isOpen());
        QTRY_VERIFY(!record.store().rows(0, Always, 50).isEmpty());
        QCOMPARE(notices.size(), setAside ? 1 : 0);
    }
    QCOMPARE(readFile(path + QStringLiteral(".bad")), QByteArray("an earlier history"));
    QCOMPARE(readFile(path + QStringLiteral(".bad.2")), setAside ? before : QByteArray());
    QCOMPARE(allRows(home.path()).size(), setAside ? 1 : 3001);
}

void TestRecord::aNewRecordHasTodaysColumns()
{
    QTemporaryDir home;
    writeRecord(home.path(), 1);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QDir(home.path()).filePath(RecordStore::FileName).toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt *q = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT group_concat(name) FROM pragma_table_info('minutes')", -1, &q, nullptr),
             SQLITE_OK);
    QCOMPARE(sqlite3_step(q), SQLITE_ROW);
    const QString columns = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(q, 0)));
    sqlite3_finalize(q);
    sqlite3_close(db);
    QCOMPARE(columns, QStringLiteral("minute,readings,min,max,sum,failures,reason,imported,counts,approximate"));
}

void TestRecord::minutesWaitForALockOrAFullDisk_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("another program holds the record") << "lock";
    QTest::newRow("the disk is full") << "full";
}

void TestRecord::minutesWaitForALockOrAFullDisk()
{
    QFETCH(QString, fault);
    QTemporaryDir dir;
    QString home = dir.path();
    if (fault == u"full") {
        // A small disk of its own, filled up once the record has started.
        const QStringList mount{QStringLiteral("-t"),        QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                QStringLiteral("size=512k"), QStringLiteral("tmpfs"), home};
        if (::geteuid() != 0 || QProcess::execute(QStringLiteral("mount"), mount) != 0)
            QSKIP("needs root in a mount namespace of its own (scripts/test)");
    }
    const auto unmount = qScopeGuard([&] {
        if (fault == u"full")
            QProcess::execute(QStringLiteral("umount"), {home});
    });
    writeRecord(home, 10);
    const QString filler = QDir(home).filePath(QStringLiteral("filler"));
    sqlite3 *holder = nullptr;
    if (fault == u"lock") {
        QCOMPARE(sqlite3_open(QDir(home).filePath(RecordStore::FileName).toUtf8().constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else {
        QFile fill(filler);
        QVERIFY(fill.open(QIODevice::WriteOnly));
        while (fill.write(QByteArray(4096, 'f')) == 4096) { }
    }
    {
        SignalRecord record(home);
        QSignalSpy problems(&record, &SignalRecord::problemChanged);
        QDateTime now = at("11:00:10");
        record.setClock([&now] { return now; });
        record.open();
        for (int minute = 0; minute < 5; ++minute) {
            now = at("11:00:10").addSecs(60 * minute);
            record.reading(40 + minute, now);
            record.noReading(QStringLiteral("timed out"), now.addSecs(5));
        }
        record.flush();
        QTRY_VERIFY(!problems.isEmpty() && !problems.last().first().toString().isEmpty());
        if (holder) {
            sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(holder);
        } else {
            QVERIFY(QFile::remove(filler));
        }
        // Once the lock or the space is back, every minute goes in.
        QTRY_COMPARE_WITH_TIMEOUT(record.store().rows(0, Always, 50).size(), 15, 10000);
        QTRY_VERIFY(problems.last().first().toString().isEmpty());
    }
    QVERIFY(!QFile::exists(QDir(home).filePath(RecordStore::FileName) + QStringLiteral(".bad")));
    QCOMPARE(readingsIn(allRows(home)), qint64(15));
}

void TestRecord::twoYearsAreKept()
{
    QTemporaryDir home;
    const qint64 now = talvor::epochMinute(at("12:00:00"));
    // Two years, leap day or not.
    const qint64 edge = now - 2 * 366 * 24 * 60;
    {
        SignalRecord record(home.path());
        record.open();
        // A day either side of the edge, then the minute that moves it.
        for (const qint64 minute : {edge - 24 * 60, edge + 24 * 60, now}) {
            record.reading(60, talvor::minuteStart(minute));
            record.flush();
        }
    }
    const QList<MinuteRow> rows = allRows(home.path());
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].minute, edge + 24 * 60);
}

void TestRecord::anOldRecordIsMigratedAndAnyThresholdCounts()
{
    QTemporaryDir home;
    const QString path = QDir(home.path()).filePath(RecordStore::FileName);
    const QString log = QDir(home.path()).filePath(talvor::logFileName(QDate(2026, 12, 7)));
    writeFile(log,
              talvor::logLine(at("10:02:05"), QStringLiteral("61"))
                  + talvor::logLine(at("10:02:25"), QStringLiteral("57"))
                  + talvor::logLine(at("10:02:45"), QStringLiteral("45")));
    const qint64 ten = talvor::epochMinute(at("10:00:00"));
    const QFileInfo info(log);
    {
        // A record as the version before counted readings by value wrote it,
        // at threshold 50: one reading of 57, six between 44 and 66 (three
        // low), and the log's three minutes folded in (one low).
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        const QByteArray sql =
            QStringLiteral(
                "CREATE TABLE minutes(minute INTEGER PRIMARY KEY, readings INTEGER NOT NULL, min REAL, max REAL, "
                "sum REAL NOT NULL, low INTEGER NOT NULL, failures INTEGER NOT NULL, reason TEXT, imported INTEGER NOT "
                "NULL DEFAULT 0);"
                "CREATE TABLE hours(minute INTEGER PRIMARY KEY, readings INTEGER NOT NULL, min REAL, max REAL, sum "
                "REAL "
                "NOT NULL, low INTEGER NOT NULL, failures INTEGER NOT NULL, reason TEXT, outage_minutes INTEGER NOT "
                "NULL);"
                "CREATE TABLE logs(name TEXT PRIMARY KEY, size INTEGER, modified INTEGER, offset INTEGER, tail "
                "INTEGER);"
                "INSERT INTO minutes VALUES(%1, 1, 57, 57, 57, 0, 0, NULL, 0), (%2, 6, 44, 66, 330, 3, 0, NULL, 0),"
                " (%3, 3, 45, 61, 163, 1, 0, NULL, 1);"
                "INSERT INTO logs VALUES('%4', %5, %6, %5, 12345);"
                "PRAGMA user_version=1;")
                .arg(ten)
                .arg(ten + 1)
                .arg(ten + 2)
                .arg(info.fileName())
                .arg(info.size())
                .arg(info.lastModified().toSecsSinceEpoch())
                .toUtf8();
        QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    RecordStore store(path);
    QCOMPARE(store.open(), QString());
    // The log is read again, its minute now exact, and not counted twice.
    QCOMPARE(importLogs(store, home.path()).lines, 3);
    QCOMPARE(readingsIn(store.rows(0, Always, 50)), qint64(10));
    QCOMPARE(store.approximateUntil(), std::optional<qint64>(ten + 2));
    // Low at 50, 60 and 43, minute by minute and through the hourly sums.
    const QList<std::pair<double, QList<qint64>>> expected{{50, {0, 3, 1}}, {60, {1, 3, 2}}, {43, {0, 0, 0}}};
    for (const auto &[threshold, lows] : expected) {
        const QList<MinuteRow> rows = store.rows(ten, ten + 3, threshold);
        QCOMPARE(rows.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rows[i].low, std::optional<qint64>(lows[i]));
        QCOMPARE(store.figures(ten - 600, ten + 600, threshold).low, lows[0] + lows[1] + lows[2]);
        QCOMPARE(store.columns(ten - 600, ten + 600, 2, threshold)[1].sums.low,
                 std::optional<qint64>(lows[0] + lows[1] + lows[2]));
    }
}

// A read that stops part way (here: at pages damaged after the record was
// opened to read) is not a shorter record: each kind of read says so.
void TestRecord::aReadCutShortIsSaid()
{
    QTemporaryDir dir;
    writeRecord(dir.path(), 10);
    const QString path = QDir(dir.path()).filePath(RecordStore::FileName);
    const QByteArray sound = readFile(path);
    const qint64 from = talvor::epochMinute(at("10:00:00", 1));
    const std::function<void(RecordStore &)> reads[] = {
        [from](RecordStore &store) { store.rows(from, from + 10, 50); },
        [from](RecordStore &store) { store.columns(from, from + 10, 5, 50); },
        [from](RecordStore &store) { store.figures(from, from + 10, 50); },
        [from](RecordStore &store) { store.minutesKept(from, from + 10); },
        [](RecordStore &store) { store.firstMinute(); },
    };
    for (const bool damaged : {false, true}) {
        // Damaged: every page but the first, which names the tables.
        writeFile(path, damaged ? sound.left(4096) + QByteArray(sound.size() - 4096, '\x5a') : sound);
        for (const auto &read : reads) {
            RecordStore store(path, 50);
            QVERIFY(store.openToRead().isEmpty());
            read(store);
            QCOMPARE(store.readError().isEmpty(), !damaged);
        }
    }
}

// More than a week of minutes waits on a record another program holds: the
// oldest go, and once writing works again the notice counts exactly those.
void TestRecord::minutesLetGoAfterAWeekAreCounted()
{
    QTemporaryDir dir;
    writeRecord(dir.path(), 1);
    sqlite3 *holder = nullptr;
    QCOMPARE(sqlite3_open(QDir(dir.path()).filePath(RecordStore::FileName).toUtf8().constData(), &holder), SQLITE_OK);
    QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    SignalRecord record(dir.path());
    QSignalSpy notices(&record, &SignalRecord::notice);
    const QDateTime start = at("00:00:30", 10);
    QDateTime now = start;
    record.setClock([&now] { return now; });
    record.open();
    // A week and three minutes finished, and one being filled.
    const qint64 finished = RecordWriter::MostWaiting + 3;
    for (qint64 minute = 0; minute <= finished; ++minute) {
        now = start.addSecs(60 * minute);
        record.reading(50, now);
    }
    // The writer has queued them all, and tried, before the lock goes.
    QTest::qWait(2 * RecordWriter::RetryMs);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    QTRY_VERIFY_WITH_TIMEOUT(!notices.isEmpty(), 20000);
    QCOMPARE(notices.first().first().toString(),
             QStringLiteral("3 minutes waited more than a week to be written and are not in the record."));
    record.flush();
    QTRY_COMPARE_WITH_TIMEOUT(record.store().minutesKept(talvor::epochMinute(start), talvor::epochMinute(now) + 1),
                              RecordWriter::MostWaiting + 1, 20000);
}

QTEST_MAIN(TestRecord)
#include "test_record.moc"
