// The record on disk: minutes written live survive a restart, daily logs are
// folded in once and never over what the program saw itself, a grown log is
// read on from where it stopped, and a damaged file is set aside.
#include "SettingsFiles.h"
#include "core/LogLine.h"
#include "record/LogImport.h"
#include "record/SignalRecord.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using talvor::MinuteRow;

class TestRecord : public QObject {
    Q_OBJECT
private slots:
    void liveMinutesAndLogsMeetOnce();
    void damagedRecordIsSetAside();
};

namespace {
QDateTime at(const char *time)
{
    return QDateTime(QDate(2026, 12, 7), QTime::fromString(QLatin1String(time), QStringLiteral("HH:mm:ss")));
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
        record.reading(57, 50, at("10:00:05"));
        record.reading(45, 50, at("10:00:30"));
        now = at("10:01:10");
        record.noReading(QStringLiteral("Connection refused"), now);
        // The program's own log has the 10:00 readings too, and one before.
        writeFile(log,
                  talvor::logLine(at("09:59:40"), QStringLiteral("61"))
                      + talvor::logLine(at("10:00:05"), QStringLiteral("57"))
                      + talvor::logLine(at("10:00:30"), QStringLiteral("45")));
    } // the minute being filled is written as the program ends
    SignalRecord again(home.path());
    again.open();
    RecordStore &store = const_cast<RecordStore &>(again.store());
    QCOMPARE(importLogs(store, home.path(), 50).lines, 3);
    // The log grows: only the new line is read.
    QFile grown(log);
    QVERIFY(grown.open(QIODevice::Append));
    grown.write(talvor::logLine(at("09:59:50"), QStringLiteral("63")));
    grown.close();
    QCOMPARE(importLogs(store, home.path(), 50).lines, 1);
    QCOMPARE(importLogs(store, home.path(), 50).files, 0);

    const QList<MinuteRow> rows = store.rows(talvor::epochMinute(at("09:00:00")), talvor::epochMinute(at("11:00:00")));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].readings, 2); // 09:59 from the log, both lines
    QCOMPARE(rows[0].max, 63.0);
    QCOMPARE(rows[1].readings, 2); // 10:00 as seen live, not doubled by the log
    QCOMPARE(rows[1].low, 1);
    QCOMPARE(rows[2].failures, 1);
    QCOMPARE(rows[2].reason, QStringLiteral("Connection refused"));
    const QList<TimelineColumn> columns =
        store.columns(talvor::epochMinute(at("09:59:00")), talvor::epochMinute(at("10:02:00")), 3);
    QCOMPARE(columns[2].outageMinutes, 1);
    QCOMPARE(columns[1].sums.min, 45.0);
}

void TestRecord::damagedRecordIsSetAside()
{
    QTemporaryDir home;
    const QString path = QDir(home.path()).filePath(RecordStore::FileName);
    writeFile(path, QByteArray(4096, 'x'));
    SignalRecord record(home.path());
    QSignalSpy problems(&record, &SignalRecord::problem);
    record.open();
    QCOMPARE(problems.size(), 1);
    QVERIFY(problems.first().first().toString().contains(path + QStringLiteral(".bad")));
    QCOMPARE(readFile(path + QStringLiteral(".bad")), QByteArray(4096, 'x'));
    record.reading(60, 50, QDateTime::currentDateTime());
    record.flush();
    QCOMPARE(record.store().rows(0, std::numeric_limits<qint64>::max()).size(), 1);
}

QTEST_MAIN(TestRecord)
#include "test_record.moc"
