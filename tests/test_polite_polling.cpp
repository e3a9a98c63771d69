// Polling a modem politely, against a loopback server, at the fastest
// interval so that the minutes of real use pass in seconds: a failing modem
// is asked less and less often and read at the wait then due once it
// answers again; a pause makes no request, and resuming polls at once.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "app/Talvorf.h"
#include "core/sharing/SharingRules.h"
#include "monitor/Monitor.h"
#include "window/aim/AimView.h"
#include "window/form/CrlfTextView.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
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
    void testModeDuringBackOffTicksAtTheInterval();
    void resumeDuringATestModeAsksNothing();
    void aimingAfterABackOffHandsBackTheSetInterval();
    void aHangingModemShowsAsWaitingWhileAiming();
    void aCorrectedAddressOrLoginIsTriedAtOnce();

private:
    // 503 until the back-off waits at least this long between polls.
    void failUntilBackedOff(int waitMs);
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
    // Waybar says paused, as the tip does, not the last failure.
    QVERIFY(talvor::waybarStatus(w.sharing().statusJson()).contains(R"("class":"paused")"));
    QVERIFY(w.c.ResumePolling->isEnabled());
    // At once, not at the next tick, which is five seconds away.
    w.monitor().setRefreshTenths(50);
    w.c.ResumePolling->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(server->requestCount() > asked, 1000);
    QVERIFY(w.sharing().statusJson().contains(R"("paused":false)"));
}

namespace {
bool allGrey(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QRgb p = image.pixel(x, y); qAlpha(p) > 0 && (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)))
                return false;
    return true;
}
} // namespace

void TestPolitePolling::failUntilBackedOff(int waitMs)
{
    server->setBehaviour(TestHttpServer::reply("Service Unavailable", 503));
    QTRY_VERIFY_WITH_TIMEOUT(test->window->c.AutoCheck->interval() >= waitMs, 10000);
}

void TestPolitePolling::testModeDuringBackOffTicksAtTheInterval()
{
    Talvorf &w = *test->window;
    w.c.ShowInSystemTray->setChecked(true);
    failUntilBackedOff(800);
    QTRY_VERIFY(allGrey(test->tray->icon.pixmap(32, 32).toImage()));
    const int asked = server->requestCount();
    QSignalSpy titles(&w, &QWidget::windowTitleChanged);
    QTest::mouseClick(w.c.Simulate_Checkbox, Qt::LeftButton);
    QVERIFY(w.c.Simulate_Checkbox->isChecked());
    // A reading every tenth of a second, as set, where the back-off would give one.
    QCOMPARE(w.c.AutoCheck->interval(), 100);
    QTRY_VERIFY_WITH_TIMEOUT(titles.size() >= 8, 1500);
    QCOMPARE(server->requestCount(), asked);
    QVERIFY(!allGrey(test->tray->icon.pixmap(32, 32).toImage()));
    // Off again: the modem is asked on the schedule, which begins afresh.
    server->setBehaviour(TestHttpServer::reply(modemPage("61")));
    QTest::mouseClick(w.c.Simulate_Checkbox, Qt::LeftButton);
    QTRY_VERIFY(server->requestCount() > asked);
    QTRY_COMPARE(w.windowTitle(), QStringLiteral("61 = SS"));
}

void TestPolitePolling::resumeDuringATestModeAsksNothing()
{
    Talvorf &w = *test->window;
    failUntilBackedOff(400);
    QSignalSpy tips(&w.monitor().events(), &talvor::SignalEvents::statusLineChanged);
    w.c.PauseUntilResumed->trigger();
    // Paused, no try is due: the tip does not say one is.
    QVERIFY(tips.last().at(0).toString().startsWith(QStringLiteral("Polling paused until resumed")));
    QVERIFY(!tips.last().at(0).toString().contains(QStringLiteral("next try")));
    QTest::mouseClick(w.c.Step1to100SS, Qt::LeftButton);
    const int asked = server->requestCount();
    const QString before = w.windowTitle();
    w.c.ResumePolling->trigger();
    // Resuming in a test mode gives the test's reading at once, never a request.
    QCOMPARE(w.c.Talvor->text(), QStringLiteral("0"));
    QTRY_VERIFY(w.windowTitle() != before);
    QTest::qWait(300);
    QCOMPARE(server->requestCount(), asked);
    QVERIFY(w.c.Info_HTML->text().startsWith(QStringLiteral("Step 0-100")));
}

void TestPolitePolling::aimingAfterABackOffHandsBackTheSetInterval()
{
    Talvorf &w = *test->window;
    failUntilBackedOff(800);
    w.showAim();
    QCOMPARE(w.c.AutoCheck->interval(), 500);
    // At the dish, the modem answers again; the user closes the view.
    server->setBehaviour(TestHttpServer::reply(modemPage("61")));
    QTRY_COMPARE(w.windowTitle(), QStringLiteral("61 = SS"));
    w.aim()->close();
    QCOMPARE(w.c.AutoCheck->interval(), 100);
    const int asked = server->requestCount();
    QTest::qWait(1000);
    QVERIFY2(server->requestCount() - asked >= 5, qPrintable(QString::number(server->requestCount() - asked)));
}

void TestPolitePolling::aHangingModemShowsAsWaitingWhileAiming()
{
    Talvorf &w = *test->window;
    server->setBehaviour(TestHttpServer::reply(modemPage("61")));
    QTRY_COMPARE(w.windowTitle(), QStringLiteral("61 = SS"));
    w.showAim();
    w.aim()->setPhone(true);
    QLabel *number = w.aim()->findChild<QLabel *>(QStringLiteral("AimNumber"));
    QTRY_COMPARE(number->text(), QStringLiteral("61"));
    server->setBehaviour(TestHttpServer::silent());
    const int asked = server->requestCount();
    // Within three seconds the number gives way to the reading's age, on the
    // screen and for the phone; a request ends within three seconds, and the
    // next follows.
    QTRY_VERIFY_WITH_TIMEOUT(number->text().startsWith(QStringLiteral("waiting ")), 3000);
    QVERIFY(w.monitor().waitingSince().has_value());
    QTRY_VERIFY_WITH_TIMEOUT(server->requestCount() >= asked + 2, 8000);
    server->setBehaviour(TestHttpServer::reply(modemPage("62")));
    QTRY_COMPARE_WITH_TIMEOUT(number->text(), QStringLiteral("62"), 5000);
    QVERIFY(!w.monitor().waitingSince());
    // Closed while waiting, the view leaves nothing waiting behind.
    server->setBehaviour(TestHttpServer::silent());
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().waitingSince().has_value(), 3000);
    w.aim()->close();
    QVERIFY(!w.monitor().waitingSince());
}

void TestPolitePolling::aCorrectedAddressOrLoginIsTriedAtOnce()
{
    Talvorf &w = *test->window;
    // An interval longer than the second allowed, so that only "poll now" is in time.
    w.monitor().setRefreshTenths(15);
    failUntilBackedOff(3000);
    TestHttpServer right;
    right.setBehaviour(TestHttpServer::reply(modemPage("58")));
    w.c.txtURL->setText(right.url());
    QTRY_VERIFY_WITH_TIMEOUT(right.requestCount() > 0, 1000);
    QTRY_COMPARE(w.windowTitle(), QStringLiteral("58 = SS"));
    // Back at the wrong page, then a login for it.
    w.c.txtURL->setText(server->url());
    failUntilBackedOff(3000);
    const int asked = server->requestCount();
    w.monitor().setLogin(QStringLiteral("admin"), QStringLiteral("pw"));
    QTRY_VERIFY_WITH_TIMEOUT(server->requestCount() > asked, 1000);
}

QTEST_MAIN(TestPolitePolling)
#include "test_polite_polling.moc"
