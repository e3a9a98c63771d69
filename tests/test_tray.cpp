// The icon in the notification area, closing the window and leaving.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "monitor/Monitor.h"
#include "monitor/fetch/Transfer.h"
#include "window/fetch/PollScheduler.h"
#include "window/form/CrlfTextView.h"
#include "window/tray/IconDesigner.h"
#include "window/tray/TrayPresence.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestTray : public QObject {
    Q_OBJECT
private slots:
    void init();
    void mouseMessages();
    void closingHidesToTheTrayAndPollingGoesOn();
    void startingInTheTrayShowsTheProgramIcon();
    void alwaysInTheTrayKeepsItsIconOnRestore();
    void sameIconIsNotSentTwice();
    void popUpMenu();
    void rightDoubleClickRestoresAndNeverExits();
    void alwaysInTheTrayBeforeTheFirstReadingShowsTheProgramIcon();
    void exitDuringARequestDoesNotWait();
    void pollsWithoutAReadingGreyTheIconAndSayWhy();
    void trayIconsComeFromTheLastRealReading_data();
    void trayIconsComeFromTheLastRealReading();
    void theWindowGoesWithEveryPartBusy();
    void exitAsksAboutUnsavedChangesFirst();
    void withoutANotificationAreaTheWindowIsMinimised();

private:
    void start(int minimizeStartup = 0, const QByteArray &refresh = "50", int autoCheck = 0)
    {
        QByteArray line = settingsLine(server->url(), refresh, autoCheck);
        line.replace(",\"50\",0,\"Signal", ",\"50\"," + QByteArray::number(minimizeStartup) + ",\"Signal");
        writeFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini")), line);
        window = std::make_unique<TestWindow>();
        w = window->window.get();
        tray = window->tray;
        w->Form_Load();
        if (!minimizeStartup)
            w->show();
    }
    void reading(const QString &text)
    {
        w->c.Talvor->setText(text);
        w->ProcessNewReading();
    }
    QImage trayPicture() const { return tray->icon.pixmap(32, 32).toImage(); }
    QImage cached(int v) const { return w->designer().IconStorage().icon(v).toImage(); }
    QImage stale(int v) const { return w->designer().IconStorage().staleIcon(v).toImage(); }
    void poll()
    {
        QTest::mouseClick(w->c.GetHtml_button, Qt::LeftButton);
        QTRY_VERIFY(!w->c.Inet1->StillExecuting());
    }

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestWindow> window;
    TestHttpServer *server = nullptr;
    Talvorf *w = nullptr;
    FakeTray *tray = nullptr;
};

void TestTray::init()
{
    window.reset();
    home = std::make_unique<QTemporaryDir>();
    qputenv("TALVOR_HOME", home->path().toLocal8Bit());
    delete server;
    server = new TestHttpServer(this);
    server->setBehaviour(TestHttpServer::reply(modemPage("64")));
}

void TestTray::mouseMessages()
{
    // The window undoes the twips the message number arrived in, rounding.
    start();
    w->close();
    QVERIFY(w->isHidden());
    w->tray().Form_MouseMove(0, 0, 514 * 15.0f, 0);
    QVERIFY(w->isHidden());
    w->tray().Form_MouseMove(0, 0, 515 * 15.0f + 7, 0);
    QVERIFY(w->isVisible());
}

void TestTray::closingHidesToTheTrayAndPollingGoesOn()
{
    start(0, "2", 1);
    reading(QStringLiteral("57"));
    w->close();
    QVERIFY(w->isHidden());
    QVERIFY(w->form.InTray);
    QVERIFY(tray->shown);
    QCOMPARE(tray->tip, QStringLiteral("Talvor Double Click to Restore"));
    QCOMPARE(trayPicture(), cached(57));
    QCOMPARE(w->tray().trayData().szTip.size(), 64);
    QVERIFY(window->dialogs->questions.isEmpty());

    reading(QStringLiteral("60"));
    QCOMPARE(trayPicture(), cached(60));
    // Polling goes on in the tray.
    QVERIFY(w->c.AutoCheck->isActive());
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("64 = SS"));
    QCOMPARE(trayPicture(), cached(64));

    tray->mouse(515);
    QVERIFY(w->isVisible());
    QVERIFY(!w->form.InTray);
    QVERIFY(!tray->shown);
    QCOMPARE(window->processEnds, 0);
}

void TestTray::startingInTheTrayShowsTheProgramIcon()
{
    start(1);
    QVERIFY(!w->isVisible());
    QVERIFY(w->form.InTray);
    QVERIFY(tray->shown);
    QCOMPARE(trayPicture(), w->tray().Talvor_IconMemory().pixmap(32, 32).toImage());
    QVERIFY(window->dialogs->questions.isEmpty());
    reading(QStringLiteral("42"));
    QCOMPARE(trayPicture(), cached(42));
}

void TestTray::alwaysInTheTrayKeepsItsIconOnRestore()
{
    start();
    w->c.ShowInSystemTray->setChecked(true);
    QVERIFY(tray->shown);
    QCOMPARE(tray->tip, QStringLiteral("Talvor"));
    QCOMPARE(w->form.SettingsDirty, qint16(12));
    reading(QStringLiteral("30"));
    QCOMPARE(trayPicture(), cached(30));

    w->form.SettingsDirty = 0;
    w->close();
    // The add fails: the tray keeps its tip until the next new icon.
    QCOMPARE(tray->tip, QStringLiteral("Talvor"));
    reading(QStringLiteral("31"));
    QCOMPARE(tray->tip, QStringLiteral("Talvor Double Click to Restore"));

    tray->mouse(518);
    QVERIFY(w->isVisible());
    QVERIFY(tray->shown);
    w->c.ShowInSystemTray->setChecked(false);
    QVERIFY(!tray->shown);
}

void TestTray::sameIconIsNotSentTwice()
{
    start();
    w->c.ShowInSystemTray->setChecked(true);
    tray->calls.clear();
    reading(QStringLiteral("70"));
    reading(QStringLiteral("70"));
    reading(QStringLiteral("70.2"));
    QCOMPARE(tray->calls, QStringList{QStringLiteral("change")});
    qint16 value = 250;
    w->tray().UpdateTrayIcon(value);
    QCOMPARE(value, qint16(100));
    QCOMPARE(trayPicture(), cached(100));
    value = 400;
    w->tray().UpdateTrayIcon(value);
    QCOMPARE(tray->calls.size(), 2);
}

void TestTray::popUpMenu()
{
    start();
    w->close();
    tray->mouse(516);
    QTRY_VERIFY(w->c.RCPopup->isVisible());
    QCOMPARE(w->c.RCPopup->actions().size(), 8);
    QVERIFY(w->c.RCPopup->actions().at(1)->isSeparator());
    w->c.MyMenuHide->trigger();
    w->c.RCPopup->hide();
    QVERIFY(w->isHidden());
    w->c.Rest1->trigger();
    QVERIFY(w->isVisible());
    QVERIFY(!tray->shown);
}

void TestTray::rightDoubleClickRestoresAndNeverExits()
{
    start();
    bool exited = false;
    QObject::connect(w, &Talvorf::exitRequested, [&exited] { exited = true; });
    w->close();
    tray->mouse(516);
    QTRY_VERIFY(w->c.RCPopup->isVisible());
    QVERIFY(!w->c.RCPopup->geometry().contains(QCursor::pos()));
    tray->mouse(518);
    QVERIFY(!w->c.RCPopup->isVisible());
    QVERIFY(w->isVisible());
    QVERIFY(!exited);
}

void TestTray::alwaysInTheTrayBeforeTheFirstReadingShowsTheProgramIcon()
{
    start();
    w->c.ShowInSystemTray->setChecked(true);
    QCOMPARE(tray->icon.cacheKey(), w->tray().Talvor_IconMemory().cacheKey());
}

void TestTray::pollsWithoutAReadingGreyTheIconAndSayWhy()
{
    start();
    w->c.NotifyAlerts->setChecked(true);
    w->close();
    poll();
    QVERIFY(tray->tip.startsWith(QStringLiteral("Talvor Double Click to Restore\nLast reading 64 at ")));
    server->setBehaviour(TestHttpServer::reply("no number here"));
    for (int n = 1; n <= 3; ++n) {
        poll();
        // Three polls in a row without a reading, and the icon goes grey.
        QCOMPARE(trayPicture() == stale(64), n == 3);
    }
    // A test mode's reading meanwhile is no word from the modem: greyed too.
    reading(QStringLiteral("30"));
    QCOMPARE(trayPicture(), stale(30));
    QVERIFY(w->c.Info_HTML->text().contains(
        QStringLiteral("Request number - 4\r\nPrevious request gave no reading: Search text not found!\r\n")));
    QVERIFY(tray->tip.contains(QStringLiteral("\nNo reading since ")));
    QVERIFY(tray->tip.endsWith(QStringLiteral(": Search text not found!")));
    QCOMPARE(tray->messages, QStringList{QStringLiteral("Modem answers, but the search text is not on its page")});
    server->setBehaviour(TestHttpServer::reply(modemPage("64")));
    poll();
    QCOMPARE(trayPicture(), cached(64));
    // A threshold above the reading turns the icon to the low colours at once.
    const QImage above = trayPicture();
    w->c.ssThreshold->setText(QStringLiteral("70"));
    QVERIFY(trayPicture() != above);
    QCOMPARE(trayPicture(), cached(64));
}

void TestTray::exitDuringARequestDoesNotWait()
{
    server->setBehaviour(TestHttpServer::silent());
    start();
    w->close();
    QTest::mouseClick(w->c.GetHtml_button, Qt::LeftButton);
    QTRY_COMPARE(server->requestCount(), 1);
    QVERIFY(w->c.Inet1->StillExecuting());
    w->c.MyExit->trigger();
    QCOMPARE(window->processEnds, 1);
    QVERIFY(!w->c.Inet1->StillExecuting());
    QVERIFY(!w->c.AutoCheck->isActive());
    QVERIFY(!tray->shown);
}

void TestTray::exitAsksAboutUnsavedChangesFirst()
{
    start();
    w->c.ssThreshold->setText(QStringLiteral("65"));
    w->Save_Options_Click();
    tray->calls.clear();
    w->c.MenuExit->trigger();
    // Saving does not clear the mark: the question still comes.
    QCOMPARE(window->dialogs->questions.size(), 1);
    // No icon is shown, and its removal is still issued.
    QCOMPARE(tray->calls, QStringList{QStringLiteral("remove")});
    QCOMPARE(window->processEnds, 1);
}

void TestTray::withoutANotificationAreaTheWindowIsMinimised()
{
    start();
    tray->available = false;
    w->c.ssThreshold->setText(QStringLiteral("66"));
    w->close();
    QCOMPARE(window->dialogs->questions.size(), 1);
    QVERIFY(w->isVisible());
    QVERIFY(w->windowState() & Qt::WindowMinimized);
    QVERIFY(!w->form.InTray);
    QVERIFY(!tray->shown);
}

void TestTray::trayIconsComeFromTheLastRealReading_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("readFirst");
    QTest::addColumn<QString>("alert");
    QTest::newRow("bad scheme, no reading since start")
        << QStringLiteral("htp://127.0.0.1/x") << false
        << QStringLiteral("Modem cannot be reached at that address: Unrecognized scheme");
    QTest::newRow("a reading, a designer change, then no search text")
        << QString() << true << QStringLiteral("Modem answers, but the search text is not on its page");
}

void TestTray::trayIconsComeFromTheLastRealReading()
{
    QFETCH(QString, url);
    QFETCH(bool, readFirst);
    QFETCH(QString, alert);
    start();
    w->c.NotifyAlerts->setChecked(true);
    if (readFirst)
        poll();
    // The icon cache is redrawn with the reading label as its loop counter.
    w->designer().BuildIconCache();
    w->close();
    const QImage programIcon = w->tray().Talvor_IconMemory().pixmap(32, 32).toImage();
    QCOMPARE(trayPicture(), readFirst ? cached(64) : programIcon);
    if (url.isEmpty())
        server->setBehaviour(TestHttpServer::reply("no number here"));
    else
        w->c.txtURL->setText(url);
    for (int n = 1; n <= 3; ++n)
        poll();
    QCOMPARE(trayPicture(),
             readFirst ? stale(64) : w->tray().Talvor_IconMemory().pixmap(32, 32, QIcon::Disabled).toImage());
    QVERIFY(tray->tip.contains(QStringLiteral("\nNo reading since ")));
    QCOMPARE(tray->messages, QStringList{alert});
}

void TestTray::theWindowGoesWithEveryPartBusy()
{
    // Under the sanitizers, a part that outlives what it uses shows here.
    start();
    poll();
    w->c.DoLogFile->setChecked(true);
    w->c.NotifyAlerts->setChecked(true);
    w->c.ShowInSystemTray->setChecked(true);
    w->c.Simulate_Checkbox->setChecked(true);
    w->monitor().AutoCheck_Timer();
    w->c.Simulate_Checkbox->setChecked(false);
    server->setBehaviour(TestHttpServer::silent());
    QTest::mouseClick(w->c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY(server->requestCount() == 2);
    QVERIFY(w->c.Inet1->StillExecuting());
    window.reset();
    QTest::qWait(50);
}

QTEST_MAIN(TestTray)
#include "test_tray.moc"
