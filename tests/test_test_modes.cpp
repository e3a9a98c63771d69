// Simulated and stepped readings driven by the poll tick.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "monitor/Monitor.h"
#include "monitor/fetch/Transfer.h"
#include "window/fetch/PollScheduler.h"
#include "window/fetch/TestModes.h"
#include "window/form/CrlfTextView.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace talvor;

class TestTestModes : public QObject {
    Q_OBJECT
private slots:
    void init();
    void simulatedReadingsCoverTheRange_data();
    void simulatedReadingsCoverTheRange();
    void stepModeCountsToAHundredThenStops();
    void stepModeFromTheKeyboardGoesOn();
    void pressingStepTurnsSimulateOff();

private:
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestWindow> window;
    TestHttpServer *server = nullptr;
    Talvorf *w = nullptr;
};

void TestTestModes::init()
{
    home = std::make_unique<QTemporaryDir>();
    qputenv("TALVOR_HOME", home->path().toLocal8Bit());
    delete server;
    server = new TestHttpServer(this);
    server->setBehaviour(TestHttpServer::reply(modemPage("77")));
    writeFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini")), settingsLine(server->url(), "50", 0));
    window = std::make_unique<TestWindow>();
    w = window->window.get();
    w->Form_Load();
}

void TestTestModes::simulatedReadingsCoverTheRange_data()
{
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("50") << "50" << 45 << 70;
    QTest::newRow("0.5") << "0.5" << -4 << 20;
    QTest::newRow("0") << "0" << -5 << 20;
}

void TestTestModes::simulatedReadingsCoverTheRange()
{
    QFETCH(QString, threshold);
    QFETCH(int, low);
    QFETCH(int, high);
    QRandomGenerator random(1234);
    w->testModes().setRandomSource([&] { return float(random.bounded(1 << 24)) / float(1 << 24); });
    w->c.ssThreshold->setText(threshold);
    QTest::mouseClick(w->c.Simulate_Checkbox, Qt::LeftButton);
    QVERIFY(w->c.Simulate_Checkbox->isChecked());
    QSet<int> seen;
    for (int tick = 1; tick <= 1000; ++tick) {
        w->monitor().AutoCheck_Timer();
        seen.insert(w->c.Talvor->text().toInt());
    }
    QCOMPARE(w->c.Info_HTML->text(), QStringLiteral("Simulation Mode!  Request number - 1000\r\n"));
    QCOMPARE(seen.size(), high - low + 1);
    QCOMPARE(*std::min_element(seen.begin(), seen.end()), low);
    QCOMPARE(*std::max_element(seen.begin(), seen.end()), high);
    QCOMPARE(server->requestCount(), 0);
}

void TestTestModes::stepModeCountsToAHundredThenStops()
{
    QTest::mouseClick(w->c.Step1to100SS, Qt::LeftButton);
    QVERIFY(w->c.Step1to100SS->isChecked());
    QStringList readings;
    for (int tick = 0; tick < 101; ++tick) {
        w->monitor().AutoCheck_Timer();
        readings << w->c.Talvor->text();
    }
    QCOMPARE(readings.first(), QStringLiteral("0"));
    QCOMPARE(readings.at(57), QStringLiteral("57"));
    QCOMPARE(readings.last(), QStringLiteral("100"));
    QCOMPARE(w->windowTitle(), QStringLiteral("100 = SS"));
    QCOMPARE(w->c.Info_HTML->text(), QStringLiteral("Step 0-100 Signal Strength Mode!  Request number - 100\r\n"));
    QVERIFY(!w->c.Step1to100SS->isChecked());

    // The next tick is an ordinary poll.
    w->monitor().AutoCheck_Timer();
    QVERIFY(w->c.Info_HTML->text().startsWith(QStringLiteral("Gettting new Data!!  Request number - 101\r\n")));
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("77 = SS"));
}

void TestTestModes::stepModeFromTheKeyboardGoesOn()
{
    // A box ticked from the keyboard runs none of the mouse's rules: the
    // count goes on from where it was, and the mode does not end at 100.
    w->form.RequestNumber = 150;
    w->c.Step1to100SS->setFocus();
    QTest::keyClick(w->c.Step1to100SS, Qt::Key_Space);
    QVERIFY(w->c.Step1to100SS->isChecked());
    w->monitor().AutoCheck_Timer();
    QCOMPARE(w->c.Talvor->text(), QStringLiteral("151"));
    w->monitor().AutoCheck_Timer();
    QCOMPARE(w->c.Talvor->text(), QStringLiteral("152"));
    QVERIFY(w->c.Step1to100SS->isChecked());
    // Both ticked (the keyboard leaves the other alone): simulation wins.
    w->c.Simulate_Checkbox->setFocus();
    QTest::keyClick(w->c.Simulate_Checkbox, Qt::Key_Space);
    QVERIFY(w->c.Step1to100SS->isChecked());
    w->monitor().AutoCheck_Timer();
    QVERIFY(w->c.Info_HTML->text().startsWith(QStringLiteral("Simulation Mode!  Request number - 153")));
}

void TestTestModes::pressingStepTurnsSimulateOff()
{
    QTest::mouseClick(w->c.Simulate_Checkbox, Qt::LeftButton);
    QTest::mouseClick(w->c.Step1to100SS, Qt::LeftButton);
    QVERIFY(!w->c.Simulate_Checkbox->isChecked());
    QCOMPARE(w->form.RequestNumber, -1);
    QVERIFY(w->c.Step1to100SS->isChecked());
    // And the other way round.
    QTest::mouseClick(w->c.Simulate_Checkbox, Qt::LeftButton);
    QVERIFY(!w->c.Step1to100SS->isChecked());
    QCOMPARE(w->form.RequestNumber, 0);
    // Unticking with the mouse starts the count again too.
    w->form.RequestNumber = 7;
    QTest::mouseClick(w->c.Simulate_Checkbox, Qt::LeftButton);
    QVERIFY(!w->c.Simulate_Checkbox->isChecked());
    QCOMPARE(w->form.RequestNumber, 0);
}

QTEST_MAIN(TestTestModes)
#include "test_test_modes.moc"
