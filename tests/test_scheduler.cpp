// The poll timer and the refresh slider, against a loopback server.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "monitor/Monitor.h"
#include "monitor/fetch/Transfer.h"
#include "window/form/CaptionLabel.h"
#include "window/form/CrlfTextView.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestScheduler : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sliderSnapsToWholeSecondsFromFiveUp_data();
    void sliderSnapsToWholeSecondsFromFiveUp();
    void sliderStepsFromTheKeyboardSnapToo();
    void sliderMovedWhileAutomaticCheckingIsOff();
    void oneRequestPerInterval();
    void slowRequestGetsWaitingLines();
    void uncheckingStopsPollingButGetFileStillWorks();
    void requestNumberWrapsToZero();

private:
    // A window loaded from a settings file that polls the test server.
    std::unique_ptr<TestWindow> start(const QByteArray &tenths, int autoCheck = 1)
    {
        writeFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini")),
                  settingsLine(server->url(), tenths, autoCheck));
        auto w = std::make_unique<TestWindow>();
        (*w)->Form_Load();
        return w;
    }

    std::unique_ptr<QTemporaryDir> home;
    TestHttpServer *server = nullptr;
};

void TestScheduler::init()
{
    home = std::make_unique<QTemporaryDir>();
    qputenv("TALVOR_HOME", home->path().toLocal8Bit());
    server = new TestHttpServer;
    server->setBehaviour(TestHttpServer::reply(modemPage("61")));
}

void TestScheduler::cleanup()
{
    delete server;
}

void TestScheduler::sliderSnapsToWholeSecondsFromFiveUp_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("settles");
    QTest::addColumn<QString>("display");
    QTest::newRow("50 to 51") << 50 << 51 << 60 << "6.0";
    QTest::newRow("60 to 59") << 60 << 59 << 50 << "5.0";
    QTest::newRow("50 to 49") << 50 << 49 << 49 << "4.9";
    QTest::newRow("to 55") << 50 << 55 << 55 << "5.5";
    QTest::newRow("591 to 600") << 590 << 591 << 600 << "60.0";
    QTest::newRow("tenths below five") << 20 << 21 << 21 << "2.1";
    QTest::newRow("down to 1") << 2 << 1 << 1 << "0.1";
}

void TestScheduler::sliderSnapsToWholeSecondsFromFiveUp()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, settles);
    QFETCH(QString, display);
    auto w = start(QByteArray::number(from));
    Talvorf &window = *w->window;
    window.c.HScroll1->setValue(to);
    QCOMPARE(window.c.HScroll1->value(), settles);
    QCOMPARE(window.c.M_refresh_rate->text(), QString::number(settles));
    QCOMPARE(window.c.AutoCheck->interval(), settles * 100);
    QCOMPARE(window.c.DisplaySec->text(), display);
    QVERIFY(window.c.AutoCheck->isActive());
    QCOMPARE(window.form.SettingsDirty, qint16(3));
}

void TestScheduler::sliderStepsFromTheKeyboardSnapToo()
{
    auto w = start("50");
    Talvorf &window = *w->window;
    window.c.HScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(window.c.HScroll1->value(), 60);
    window.c.HScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(window.c.HScroll1->value(), 50);
    window.c.HScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(window.c.HScroll1->value(), 49);
    window.c.HScroll1->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(window.c.HScroll1->value(), 54);
}

void TestScheduler::sliderMovedWhileAutomaticCheckingIsOff()
{
    auto w = start("50", 0);
    Talvorf &window = *w->window;
    QVERIFY(!window.c.AutoCheck->isActive());
    window.c.HScroll1->setValue(30);
    QCOMPARE(window.c.AutoCheck->interval(), 3000);
    QCOMPARE(window.c.DisplaySec->text(), QStringLiteral("3.0"));
    QVERIFY(!window.c.AutoCheck->isActive());
}

void TestScheduler::oneRequestPerInterval()
{
    auto w = start("3"); // 0.3 s
    // One request for each tick, however late a busy machine delivers them.
    int ticks = 0;
    connect((*w)->c.AutoCheck, &QTimer::timeout, this, [&] {
        if (++ticks == 5)
            (*w)->monitor().setAutoCheck(false);
    });
    QTRY_COMPARE(ticks, 5);
    QTRY_COMPARE(server->requestCount(), 5);
    QTRY_COMPARE((*w)->windowTitle(), QStringLiteral("61 = SS"));
}

void TestScheduler::slowRequestGetsWaitingLines()
{
    server->setBehaviour(TestHttpServer::delayedReply(modemPage("48"), 900));
    auto w = start("3");
    Talvorf &window = *w->window;
    // The transcript as it stands when the first page has arrived.
    QString page;
    connect(window.c.Inet1, &Transfer::StateChanged, this, [&](qint16 state) {
        if (state == Transfer::Complete && page.isEmpty()) {
            page = window.c.Info_HTML->text();
            // At once: a tick between here and the check below would start a
            // second request on a busy machine.
            window.monitor().setAutoCheck(false);
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(!page.isEmpty(), 10000);
    QCOMPARE(window.windowTitle(), QStringLiteral("48 = SS"));
    const int waits = page.count(QStringLiteral("Still waiting for last requested page!\r\n"));
    QVERIFY2(waits >= 1 && waits <= 4, qPrintable(page));
    // The waiting lines stand among the request's own lines, under its request line.
    QVERIFY(page.startsWith(QStringLiteral("Gettting new Data!!  Request number - 1\r\n")));
    QVERIFY(page.indexOf(QStringLiteral("Still waiting")) < page.indexOf(QStringLiteral("The request was completed")));
    QCOMPARE(server->requestCount(), 1);
}

void TestScheduler::uncheckingStopsPollingButGetFileStillWorks()
{
    auto w = start("2");
    Talvorf &window = *w->window;
    window.c.EnableAutoCheck->setChecked(false);
    QCOMPARE(window.form.SettingsDirty, qint16(2));
    QTest::qWait(600);
    QCOMPARE(server->requestCount(), 0);
    QTest::mouseClick(window.c.GetHtml_button, Qt::LeftButton);
    QTRY_COMPARE(window.windowTitle(), QStringLiteral("61 = SS"));
    QCOMPARE(server->requestCount(), 1);
}

void TestScheduler::requestNumberWrapsToZero()
{
    auto w = start("50", 0);
    Talvorf &window = *w->window;
    window.form.RequestNumber = 2147483646;
    QTest::mouseClick(window.c.GetHtml_button, Qt::LeftButton);
    QVERIFY(window.c.Info_HTML->text().startsWith(QStringLiteral("Gettting new Data!!  Request number - 0\r\n")));
    QTRY_VERIFY(!window.c.Inet1->StillExecuting());
}

QTEST_MAIN(TestScheduler)
#include "test_scheduler.moc"
