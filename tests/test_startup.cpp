// The real program started from outside: one instance per folder, and a lock
// left by a killed instance does not stop the next start.
#include "SettingsFiles.h"
#include "TestHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void secondInstanceEndsAtOnce();
    void lockOfAKilledInstanceIsTakenOver();
    void unwritableLockFolderDoesNotStopTheStart();
    void sessionEndDuringAStartUpWarningEnds();

private:
    QProcess *startTalvor(const QString &lockDir, const QString &folder = {});
    bool waitForLock(const QString &lockDir);

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<QTemporaryDir> locks;
    QList<QProcess *> processes;
};

void TestStartup::init()
{
    home = std::make_unique<QTemporaryDir>();
    locks = std::make_unique<QTemporaryDir>();
    // Polling off and the address on loopback: the program never leaves this machine.
    writeFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini")),
              settingsLine(QStringLiteral("http://127.0.0.1:%1/s.txt").arg(TestHttpServer::closedPort()), "50", 0));
}

void TestStartup::cleanup()
{
    for (QProcess *p : processes) {
        p->kill();
        p->waitForFinished(3000);
        delete p;
    }
    processes.clear();
}

QProcess *TestStartup::startTalvor(const QString &lockDir, const QString &folder)
{
    auto *p = new QProcess;
    processes << p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALVOR_HOME"), folder.isEmpty() ? home->path() : folder);
    env.insert(QStringLiteral("TALVOR_LOCK_DIR"), lockDir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(TALVOR_BINARY), {});
    p->waitForStarted(5000);
    return p;
}

bool TestStartup::waitForLock(const QString &lockDir)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        if (!QDir(lockDir).entryList({QStringLiteral("talvor-*.lock")}, QDir::Files).isEmpty())
            return true;
        QTest::qWait(50);
    }
    return false;
}

void TestStartup::secondInstanceEndsAtOnce()
{
    QProcess *first = startTalvor(locks->path());
    QVERIFY(waitForLock(locks->path()));
    // Started: its record is open.
    QTRY_VERIFY(QFile::exists(QDir(home->path()).filePath(QStringLiteral("Talvor.record-wal"))));
    const QStringList filesBefore = QDir(home->path()).entryList(QDir::Files);
    const QByteArray settingsBefore = readFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini")));

    QElapsedTimer t;
    t.start();
    QProcess *second = startTalvor(locks->path());
    QVERIFY(second->waitForFinished(5000));
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(QDir(home->path()).entryList(QDir::Files), filesBefore);
    QCOMPARE(readFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini"))), settingsBefore);
}

void TestStartup::lockOfAKilledInstanceIsTakenOver()
{
    QProcess *first = startTalvor(locks->path());
    QVERIFY(waitForLock(locks->path()));
    first->kill(); // no chance to remove its lock
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(!QDir(locks->path()).entryList({QStringLiteral("talvor-*.lock")}, QDir::Files).isEmpty());

    QProcess *next = startTalvor(locks->path());
    QVERIFY(!next->waitForFinished(1500));
    QCOMPARE(next->state(), QProcess::Running);
}

void TestStartup::unwritableLockFolderDoesNotStopTheStart()
{
    // A folder that cannot hold a lock file at all: its path runs through a file.
    const QString blocked = QDir(locks->path()).filePath(QStringLiteral("plain-file"));
    writeFile(blocked, "x");
    QProcess *p = startTalvor(blocked + QStringLiteral("/locks"));
    QVERIFY(!p->waitForFinished(1500));
    QCOMPARE(p->state(), QProcess::Running);
}

void TestStartup::sessionEndDuringAStartUpWarningEnds()
{
    // A first start whose settings cannot be written warns in a box; the
    // settings are then the defaults, whose address is a LAN modem, so this
    // runs only where no network but loopback exists.
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        if (!i.flags().testFlag(QNetworkInterface::IsLoopBack) && i.flags().testFlag(QNetworkInterface::IsUp))
            QSKIP("needs a network namespace with loopback only (scripts/test makes one)");
    }
    const QString blocked = QDir(locks->path()).filePath(QStringLiteral("plain-file"));
    writeFile(blocked, "x");
    QProcess *p = startTalvor(locks->path(), blocked + QStringLiteral("/home"));
    QVERIFY(waitForLock(locks->path()));
    QTest::qWait(500);
    QCOMPARE(p->state(), QProcess::Running);
    p->terminate();
    QVERIFY2(p->waitForFinished(3000), "the program did not end on SIGTERM while its warning was open");
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
