// Polling a modem politely, against a loopback server, at the fastest
// interval so that the minutes of real use pass in seconds: a failing modem
// is asked less and less often and read at the wait then due once it
// answers again; a pause makes no request, and resuming polls at once.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "app/Talvorf.h"
#include "monitor/Monitor.h"
#include "window/form/CrlfTextView.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestPolitePolling : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void failingModemIsAskedLessOften();
    void pauseMakesNoRequest();

private:
    QTemporaryDir *home = nullptr;
    std::unique_ptr<TestWindow> test;
    TestHttpServer *server = nullptr;
};

void TestPolitePolling::init()
{
    home = new QTemporaryDir;
    server = new TestHttpServer;
    qputenv("TALVOR_HOME", home->path().toLocal8Bit());
    writeFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini")), settingsLine(server->url(), "1", 1));
    test = std::make_unique<TestWindow>();
    test->window->Form_Load();
}

void TestPolitePolling::cleanup()
{
    test.reset();
    delete server;
    delete home;
}

void TestPolitePolling::failingModemIsAskedLessOften()
{
    Talvorf &w = *test->window;
    // 503 for four seconds at a tenth of a second: as 40 s at 1 s.
    QElapsedTimer clock;
    clock.start();
    server->setBehaviour([&clock](QTcpSocket *socket, const QByteArray &request) {
        const bool down = clock.elapsed() < 4000;
        TestHttpServer::reply(down ? QByteArray("Service Unavailable") : modemPage("61"), down ? 503 : 200)(socket,
                                                                                                            request);
    });
    QVERIFY(w.c.AutoCheck->isActive());
    QSignalSpy tips(&w.monitor().events(), &talvor::SignalEvents::statusLineChanged);
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= 4000, 5000);
    const int asked = server->requestCount();
    QVERIFY2(asked <= 15, qPrintable(QString::number(asked)));
    QVERIFY(w.c.Info_HTML->text().contains(QStringLiteral("next try in")));
    // The tray's tip says so too.
    QVERIFY(tips.last().at(0).toString().contains(QStringLiteral("; next try in")));
    // The wait then due is the timer's period now; the reading comes within it.
    const int due = w.c.AutoCheck->interval();
    QVERIFY(due > 100);
    QTRY_VERIFY_WITH_TIMEOUT(w.windowTitle() == u"61 = SS", due + 1000);
    // The set interval is back.
    QCOMPARE(w.c.AutoCheck->interval(), 100);
}

void TestPolitePolling::pauseMakesNoRequest()
{
    Talvorf &w = *test->window;
    server->setBehaviour(TestHttpServer::reply(modemPage("61")));
    w.c.ShowInSystemTray->setChecked(true);
    QTRY_VERIFY(server->requestCount() > 0);
    w.c.Pause15->trigger();
    // The icon: the reading greyed, with a pause mark (a dark bar) over it.
    const QImage icon = test->tray->icon.pixmap(32, 32).toImage();
    QVERIFY(qGray(icon.pixel(11, 16)) < 100 && qGray(icon.pixel(16, 3)) > 150);
    QTest::qWait(300);
    const int asked = server->requestCount();
    QTest::qWait(1000);
    QCOMPARE(server->requestCount(), asked);
    QVERIFY(w.sharing().statusJson().contains(R"("paused":true)"));
    QVERIFY(w.c.ResumePolling->isEnabled());
    // At once, not at the next tick, which is five seconds away.
    w.monitor().setRefreshTenths(50);
    w.c.ResumePolling->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(server->requestCount() > asked, 1000);
    QVERIFY(w.sharing().statusJson().contains(R"("paused":false)"));
}

QTEST_MAIN(TestPolitePolling)
#include "test_polite_polling.moc"
