// The daily CSV log: exact file names and lines, midnight, and failures.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "monitor/record/DailyLogFile.h"
#include "window/form/CrlfTextView.h"
#include "window/history/History.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}
} // namespace

class TestDailyLog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readingsAcrossMidnightGoIntoTwoFiles();
    void loggingOffTouchesNothing();
    void tornLastLineIsNotContinued();
    void lineThatCannotBeWrittenIsReported();

private:
    void start()
    {
        window = std::make_unique<TestWindow>();
        w = window->window.get();
        w->Form_Load();
        w->dailyLog().setClock([this] { return now; });
    }
    void reading(const QString &text)
    {
        w->c.Talvor->setText(text);
        w->ProcessNewReading();
    }
    QString logPath(const QString &name) const { return QDir(home->path()).filePath(name); }

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestWindow> window;
    Talvorf *w = nullptr;
    QDateTime now;
};

void TestDailyLog::init()
{
    home = std::make_unique<QTemporaryDir>();
    qputenv("TALVOR_HOME", home->path().toLocal8Bit());
    writeFile(logPath(QStringLiteral("Talvor.ini")), settingsLine(QStringLiteral("http://127.0.0.1:9/"), "50", 0));
}

void TestDailyLog::readingsAcrossMidnightGoIntoTwoFiles()
{
    start();
    w->c.DoLogFile->setChecked(true);
    QCOMPARE(w->form.SettingsDirty, qint16(1));
    now = at(2026, 12, 7, 23, 59, 58);
    reading(QStringLiteral("57"));
    now = at(2026, 12, 7, 23, 59, 59);
    reading(QStringLiteral("5.5"));
    now = at(2026, 12, 8, 0, 0, 1);
    reading(QStringLiteral("-3"));
    QCOMPARE(readFile(logPath(QStringLiteral("2026_12_07_talvor_log.csv"))),
             QByteArray("\"2026/12/07\",\"11:59:58 pm\",57\r\n\"2026/12/07\",\"11:59:59 pm\",5.5\r\n"));
    QCOMPARE(readFile(logPath(QStringLiteral("2026_12_08_talvor_log.csv"))),
             QByteArray("\"2026/12/08\",\"12:00:01 am\",-3\r\n"));
}

void TestDailyLog::loggingOffTouchesNothing()
{
    start();
    // The record of every poll is kept whatever the log does: only the log counts here.
    const auto logs = [this] { return QDir(home->path()).entryList({QStringLiteral("*.csv")}, QDir::Files); };
    const QStringList before = logs();
    now = at(2026, 12, 7, 10, 0, 0);
    reading(QStringLiteral("57"));
    QCOMPARE(logs(), before);
}

void TestDailyLog::tornLastLineIsNotContinued()
{
    writeFile(logPath(QStringLiteral("2026_12_07_talvor_log.csv")), "\"2026/12/07\",\"10:00:00 am\",5");
    start();
    w->c.DoLogFile->setChecked(true);
    now = at(2026, 12, 7, 10, 0, 5);
    reading(QStringLiteral("61"));
    QCOMPARE(readFile(logPath(QStringLiteral("2026_12_07_talvor_log.csv"))),
             QByteArray("\"2026/12/07\",\"10:00:00 am\",5\r\n\"2026/12/07\",\"10:00:05 am\",61\r\n"));
}

void TestDailyLog::lineThatCannotBeWrittenIsReported()
{
    start();
    w->c.DoLogFile->setChecked(true);
    // A folder where the day's file should be stands in its way.
    QDir(home->path()).mkdir(QStringLiteral("2026_12_07_talvor_log.csv"));
    now = at(2026, 12, 7, 10, 0, 0);
    reading(QStringLiteral("44"));
    QVERIFY2(w->c.Info_HTML->text().contains(QStringLiteral("Could not write the log line to %1")
                                                 .arg(logPath(QStringLiteral("2026_12_07_talvor_log.csv")))),
             qPrintable(w->c.Info_HTML->text()));
    // The rest of the pipeline has run.
    QCOMPARE(w->windowTitle(), QStringLiteral("44 = SS"));
    QCOMPARE(w->history().SS_History().count(), 1);
}

QTEST_MAIN(TestDailyLog)
#include "test_daily_log.moc"
