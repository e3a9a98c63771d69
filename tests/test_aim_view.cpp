// The aim view in the window: it polls at its own pace while open and gives
// the user's back, a poll without a reading is never shown as 0, and R
// starts the figures again.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "monitor/Monitor.h"
#include "window/aim/AimView.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace talvor;

class TestAimView : public QObject {
    Q_OBJECT
private slots:
    void pollsAtItsOwnPaceWhileOpen_data();
    void pollsAtItsOwnPaceWhileOpen();
    void showsWhatThePollsGave();
};

void TestAimView::pollsAtItsOwnPaceWhileOpen_data()
{
    QTest::addColumn<bool>("polling"); // automatic checking on when the view opens
    QTest::newRow("polling on") << true;
    QTest::newRow("polling off") << false;
}

void TestAimView::pollsAtItsOwnPaceWhileOpen()
{
    QFETCH(bool, polling);
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    writeFile(QDir(home.path()).filePath(QStringLiteral("Sharing.ini")), "[aim]\ninterval=3\n");
    TestWindow window;
    Talvorf &w = *window.window;
    w.Form_Load();
    const QTimer &timer = *w.c.AutoCheck;
    w.monitor().setRefreshTenths(50);
    w.monitor().setAutoCheck(polling);
    w.form.SettingsDirty = 0;
    w.showAim();
    QCOMPARE(timer.interval(), 300);
    QVERIFY(timer.isActive());
    w.aim()->close();
    QCOMPARE(timer.interval(), 5000);
    QCOMPARE(timer.isActive(), polling);
    QCOMPARE(w.form.SettingsDirty, qint16(0));
}

void TestAimView::showsWhatThePollsGave()
{
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    TestWindow window;
    Talvorf &w = *window.window;
    w.Form_Load();
    w.showAim();
    AimView &view = *w.aim();
    const auto number = [&view] { return view.findChild<QLabel *>(QStringLiteral("AimNumber"))->text(); };
    SignalEvents &events = w.monitor().events();
    const QDateTime now = QDateTime::currentDateTime();
    events.reading(QStringLiteral("64"), 50, now);
    events.reading(QStringLiteral("38"), 50, now);
    QCOMPARE(number(), QStringLiteral("38"));
    events.noReading(QStringLiteral("Modem not answering"), SignalWatch::Failure::NoAnswer, now);
    QCOMPARE(number(), QStringLiteral("No reading"));
    events.reading(QStringLiteral("45"), 50, now);
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(&view, Qt::Key_R);
    events.reading(QStringLiteral("47"), 50, now);
    // After R the peak and the lowest start again from the reading in sight.
    bool peak = false, lowest = false;
    for (const QLabel *label : view.findChildren<QLabel *>()) {
        peak = peak || label->text().startsWith(QStringLiteral("Peak 47 at"));
        lowest = lowest || label->text() == u"Lowest 45";
    }
    QVERIFY(peak && lowest);
}

QTEST_MAIN(TestAimView)
#include "test_aim_view.moc"
