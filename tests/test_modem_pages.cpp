// Pages of other modems against loopback servers, read through the window:
// readings with a sign or decimals, JSON, and pages behind a login. The
// password never shows.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "app/Talvorf.h"
#include "core/settings/SettingsFile.h"
#include "monitor/Monitor.h"
#include "window/form/CrlfTextView.h"
#include "window/settings/ModemKeyring.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TestModemPages : public QObject {
    Q_OBJECT
private slots:
    void readsWhatTheRuleSays_data();
    void readsWhatTheRuleSays();
    void readingAndLoginAreKeptApart();
    void aLoginCostsTheModemFewRequests();
    void aClosedKeyringKeepsThePasswordOutOfTheFile();
    void aRuleWaitsForTheAddressItReads();
    void aRuleThatCannotBeKeptIsStillUsedAndSaid();
    void theTrueReasonAndTheFirstLowReachEveryView();
    void aFormLoginIsTriedAndKeptFromTheDialog();
    void valuesAreTriedAndKeptFromTheDialog();
};

void TestModemPages::readsWhatTheRuleSays_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("rule");     // Modem.ini [reading] rule
    QTest::addColumn<QString>("pattern");     // the search text for number, the pattern otherwise
    QTest::addColumn<QByteArray>("login");    // "basic" or "digest": the page is behind one
    QTest::addColumn<QByteArray>("password"); // what Talvor sends; the server wants "s3cret"
    QTest::addColumn<QString>("title");       // "" when the poll gives no reading
    QTest::addColumn<QString>("said");        // a line the page view must hold
    const QByteArray page = "Signal Strength.............. 57\r\n";
    QTest::newRow("signed decimal") << QByteArray("RSRP: -105.5 dBm\r\n") << QByteArray("number")
                                    << QStringLiteral("RSRP: ") << QByteArray() << QByteArray()
                                    << QStringLiteral("-105.5 = SS") << QString();
    QTest::newRow("json") << QByteArray(R"({"signal":{"snr":12.5}})") << QByteArray("json")
                          << QStringLiteral("/signal/snr") << QByteArray() << QByteArray()
                          << QStringLiteral("12.5 = SS") << QString();
    QTest::newRow("json, nothing there") << QByteArray(R"({"signal":{}})") << QByteArray("json")
                                         << QStringLiteral("/signal/snr") << QByteArray() << QByteArray() << QString()
                                         << QStringLiteral("No value at /signal/snr");
    // JSON and patterns look through the whole page, a number no modem gives is none.
    QTest::newRow("json, 8 kB, the value at its end")
        << QByteArray(R"({"pad":")") + QByteArray(8000, 'x') + QByteArray(R"(","ss":61})") << QByteArray("json")
        << QStringLiteral("/ss") << QByteArray() << QByteArray() << QStringLiteral("61 = SS") << QString();
    QTest::newRow("json, 1e308") << QByteArray(R"({"ss":1e308})") << QByteArray("json") << QStringLiteral("/ss")
                                 << QByteArray() << QByteArray() << QString()
                                 << QStringLiteral("The value at /ss is too large to be a reading");
    QTest::newRow("basic") << page << QByteArray("three") << QString() << QByteArray("basic") << QByteArray("s3cret")
                           << QStringLiteral("57 = SS") << QString();
    QTest::newRow("digest") << page << QByteArray("three") << QString() << QByteArray("digest") << QByteArray("s3cret")
                            << QStringLiteral("57 = SS") << QString();
    QTest::newRow("basic, wrong password")
        << page << QByteArray("three") << QString() << QByteArray("basic") << QByteArray("guess1") << QString()
        << QStringLiteral("The modem refused the user name or password");
    QTest::newRow("digest, wrong password")
        << page << QByteArray("three") << QString() << QByteArray("digest") << QByteArray("guess1") << QString()
        << QStringLiteral("The modem refused the user name or password");
    QTest::newRow("no login given") << page << QByteArray("three") << QString() << QByteArray("basic") << QByteArray()
                                    << QString() << QStringLiteral("The modem asks for a user name and password");
}

void TestModemPages::readsWhatTheRuleSays()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, rule);
    QFETCH(QString, pattern);
    QFETCH(QByteArray, login);
    QFETCH(QByteArray, password);
    QFETCH(QString, title);
    QFETCH(QString, said);
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    TestHttpServer server;
    server.setBehaviour(login.isEmpty() ? TestHttpServer::reply(body)
                                        : TestHttpServer::behindLogin(body, "modem", "s3cret", login == "digest"));
    // The rule as the Options tab sets it; the login as the keyring hands it over.
    w.c.ReadingRule->setCurrentIndex(
        w.c.ReadingRule->findData(int(*talvor::readingRuleKind(QString::fromLatin1(rule)))));
    (rule == "number" ? w.c.SearchText : w.c.ReadingPattern)->setText(pattern);
    if (!password.isEmpty()) {
        ModemSettings modem = w.monitor().modem();
        modem.user = QStringLiteral("modem");
        modem.password = QString::fromLatin1(password);
        w.monitor().setModem(modem);
    }
    const QString before = w.windowTitle();
    w.c.txtURL->setText(server.url());
    QTest::mouseClick(w.c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w.c.Inet1->StillExecuting(), 15000);
    const QString view = w.c.Info_HTML->text();
    QCOMPARE(w.windowTitle(), title.isEmpty() ? before : title);
    QVERIFY2(view.contains(said), qPrintable(view));
    QVERIFY(password.isEmpty() || !view.contains(QString::fromLatin1(password)));
}

// What the modem receives for one poll behind a login: a Digest modem that
// calls every answer stale is asked three times at most, and a Basic modem,
// once it has named its scheme, gets the login with the first request.
void TestModemPages::aLoginCostsTheModemFewRequests()
{
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    ModemSettings modem = w.monitor().modem();
    modem.user = QStringLiteral("modem");
    modem.password = QStringLiteral("s3cret");
    w.monitor().setModem(modem);
    const auto poll = [&w](const TestHttpServer &server) {
        w.c.txtURL->setText(server.url());
        QTest::mouseClick(w.c.GetHtml_button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.c.Inet1->StillExecuting(), 15000);
    };

    TestHttpServer stale;
    stale.setBehaviour(TestHttpServer::raw("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"modem\", "
                                           "qop=\"auth\", nonce=\"n1\", stale=true\r\nContent-Length: 0\r\n"
                                           "Connection: close\r\n\r\n"));
    poll(stale);
    QVERIFY2(stale.requestCount() <= 3, qPrintable(QString::number(stale.requestCount())));
    QVERIFY(w.c.Info_HTML->text().contains(QStringLiteral("The modem refused the user name or password")));
    QVERIFY(w.sharing().statusJson().contains("The modem refused the user name or password"));

    TestHttpServer basic;
    basic.setBehaviour(TestHttpServer::behindLogin(modemPage("57"), "modem", "s3cret", false));
    poll(basic);
    QCOMPARE(w.windowTitle(), QStringLiteral("57 = SS"));
    const int first = basic.requestCount();
    poll(basic);
    QCOMPARE(basic.requestCount(), first + 1);
    QVERIFY(basic.requests().last().contains("Authorization: Basic"));
}

// The user closes the keyring's own dialog: nothing is written until they
// say so, and then the file holds the password.
void TestModemPages::aClosedKeyringKeepsThePasswordOutOfTheFile()
{
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    QTest::mouseClick(w.c.ModemLogin, Qt::LeftButton);
    auto *dialog = w.findChild<QDialog *>(QStringLiteral("LoginDialog"));
    const QList<QLineEdit *> boxes = dialog->findChildren<QLineEdit *>();
    boxes[0]->setText(QStringLiteral("admin"));
    boxes[1]->setText(QStringLiteral("s3cret"));
    QPushButton *save = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Save);
    save->click();
    auto *keyring = dialog->findChild<ModemKeyring *>();
    emit keyring->stored(QStringLiteral("the user closed the dialog"), true);
    // Whatever the keyring of this machine answers next is not the user's answer.
    keyring->blockSignals(true);
    QVERIFY(dialog->isVisible());
    QVERIFY(ModemSettings::load().password.isEmpty());
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel *label) {
        return label->isVisible() && label->text().startsWith(QStringLiteral("The keyring was closed"));
    }));
    QVERIFY(save->isEnabled());
    save->click();
    QTRY_VERIFY(!dialog->isVisible());
    QCOMPARE(ModemSettings::load().password, QStringLiteral("s3cret"));
    QCOMPARE(w.monitor().modem().password, QStringLiteral("s3cret"));
}

// A new address and its rule are kept together: with Save Options, or not
// at all when the user does not save at exit.
void TestModemPages::aRuleWaitsForTheAddressItReads()
{
    for (const bool saveAtExit : {true, false}) {
        QTemporaryDir home;
        std::unique_ptr<TestWindow> test = loadTestWindow(home);
        Talvorf &w = *test->window;
        w.c.txtURL->setText(QStringLiteral("http://127.0.0.1:9/api/status.json"));
        w.c.ReadingRule->setCurrentIndex(w.c.ReadingRule->findData(int(talvor::ReadingRule::Json)));
        QTest::keyClicks(w.c.ReadingPattern, QStringLiteral("/ss"));
        QTest::keyClick(w.c.ReadingPattern, Qt::Key_Return);
        QCOMPARE(w.monitor().modem().rule.kind, talvor::ReadingRule::Json);
        QCOMPARE(ModemSettings::load().rule.kind, talvor::ReadingRule::Three);
        test->dialogs->answerYes = saveAtExit;
        w.MenuExit_Click();
        QCOMPARE(ModemSettings::load().rule.kind, saveAtExit ? talvor::ReadingRule::Json : talvor::ReadingRule::Three);
        QCOMPARE(talvor::pollSettings(talvor::readSettingsFile()).url.endsWith(u"status.json"), saveAtExit);
    }
}

void TestModemPages::aRuleThatCannotBeKeptIsStillUsedAndSaid()
{
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    // A folder where the file should be: nothing can be written there.
    QVERIFY(QDir(home.path()).mkdir(ModemSettings::FileName));
    TestHttpServer server;
    server.setBehaviour(TestHttpServer::reply(R"({"ss":-87.5})"));
    w.c.ReadingRule->setCurrentIndex(w.c.ReadingRule->findData(int(talvor::ReadingRule::Json)));
    QTest::keyClicks(w.c.ReadingPattern, QStringLiteral("/ss"));
    QTest::keyClick(w.c.ReadingPattern, Qt::Key_Return);
    QVERIFY2(w.c.Info_HTML->text().contains(QStringLiteral("The reading rule is used but not kept: ")),
             qPrintable(w.c.Info_HTML->text().right(300)));
    w.c.txtURL->setText(server.url());
    QTest::mouseClick(w.c.GetHtml_button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(), QStringLiteral("-87.5 = SS"), 15000);
}

void TestModemPages::readingAndLoginAreKeptApart()
{
    QTemporaryDir home;
    const QString file = QDir(home.path()).filePath(ModemSettings::FileName);
    {
        std::unique_ptr<TestWindow> test = loadTestWindow(home);
        Talvorf &w = *test->window;
        QVERIFY(!w.c.ReadingPattern->isEnabled());
        w.c.ReadingRule->setCurrentIndex(w.c.ReadingRule->findData(int(talvor::ReadingRule::Json)));
        QVERIFY(w.c.ReadingPattern->isEnabled());
        QTest::keyClicks(w.c.ReadingPattern, QStringLiteral("/signal/snr"));
        QCOMPARE(w.monitor().modem().rule.pattern, QStringLiteral("/signal/snr"));
        QTest::keyClick(w.c.ReadingPattern, Qt::Key_Return);
        QCOMPARE(ModemSettings::load().rule.pattern, QStringLiteral("/signal/snr"));

        QTest::mouseClick(w.c.ModemLogin, Qt::LeftButton);
        auto *dialog = w.findChild<QDialog *>(QStringLiteral("LoginDialog"));
        QVERIFY(dialog && dialog->isVisible());
        const QList<QLineEdit *> boxes{dialog->findChild<QLineEdit *>(QStringLiteral("User")),
                                       dialog->findChild<QLineEdit *>(QStringLiteral("Password"))};
        boxes[0]->setText(QStringLiteral("admin"));
        boxes[1]->setText(QStringLiteral("s3cret"));
        QCOMPARE(boxes[1]->echoMode(), QLineEdit::Password);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Save)->click();
        // Once the keyring has answered (here: none does).
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 20000);
        QCOMPARE(w.monitor().modem().password, QStringLiteral("s3cret"));
        QCOMPARE(w.monitor().modem().rule.kind, talvor::ReadingRule::Json);
        // In the file only where no keyring took it, and then the page view says so.
        const bool inFile = !ModemSettings::load().password.isEmpty();
        QCOMPARE(inFile, w.c.Info_HTML->text().contains(QStringLiteral("the modem's password is kept in Modem.ini")));
        // Where the test runs beside a keyring, it must have taken it.
        QVERIFY(!inFile || qEnvironmentVariableIsEmpty("TALVOR_TEST_KEYRING"));

        // A rule changed afterwards keeps the login.
        w.c.ReadingRule->setCurrentIndex(w.c.ReadingRule->findData(int(talvor::ReadingRule::Regex)));
        QCOMPARE(ModemSettings::load().user, QStringLiteral("admin"));
        QVERIFY(!w.c.Info_HTML->text().contains(QStringLiteral("s3cret")));
        w.c.ReadingPattern->setText(QStringLiteral("SNR (\\d+)"));
        // Left in the box at exit, the pattern is kept all the same.
        w.MyFormUnload();
    }
    const ModemSettings again = ModemSettings::load();
    QCOMPARE(again.rule.kind, talvor::ReadingRule::Regex);
    QCOMPARE(again.rule.pattern, QStringLiteral("SNR (\\d+)"));
    QCOMPARE(again.user, QStringLiteral("admin"));
    QCOMPARE(QFile::permissions(file) & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
    // A restart shows the kept rule, and logs in with the kept password,
    // from the file or from the keyring.
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    QCOMPARE(test->window->c.ReadingRule->currentData().toInt(), int(talvor::ReadingRule::Regex));
    QCOMPARE(test->window->c.ReadingPattern->text(), again.rule.pattern);
    QTRY_COMPARE_WITH_TIMEOUT(test->window->monitor().modem().password, QStringLiteral("s3cret"), 10000);
}

void TestModemPages::theTrueReasonAndTheFirstLowReachEveryView()
{
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    TestHttpServer server;
    server.setBehaviour(TestHttpServer::reply(modemPage("61"), 503));
    // The modem's error, not a search text that seems wrong, in the tip and --status.
    QSignalSpy tips(&w.monitor().events(), &talvor::SignalEvents::statusLineChanged);
    w.c.txtURL->setText(server.url());
    w.c.SearchText->setText(QStringLiteral("Not on the page: "));
    QTest::mouseClick(w.c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY(!tips.isEmpty() && tips.last().at(0).toString().contains(QStringLiteral("503")));
    QVERIFY(w.sharing().statusJson().contains("The modem answered 503"));
    // A start already at or below the threshold is a low signal, said at once.
    w.c.SearchText->setText(QStringLiteral("Signal Strength.............. "));
    w.c.ssThreshold->setText(QStringLiteral("50"));
    server.setBehaviour(TestHttpServer::reply(modemPage("42")));
    QSignalSpy alerts(&w.monitor().events(), &talvor::SignalEvents::alertRaised);
    QTest::mouseClick(w.c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY(!alerts.isEmpty());
    QCOMPARE(alerts.first().at(1).toString(), QStringLiteral("Signal low: 42 (threshold 50)"));
}

QTEST_MAIN(TestModemPages)
// The dialog's Test polls once with the form as typed, step by step; Save
// keeps the form (quotes and all) in Modem.ini and hands it to the monitor,
// whose next polls then log in.
void TestModemPages::aFormLoginIsTriedAndKeptFromTheDialog()
{
    TestHttpServer server;
    int logins = 0;
    server.setBehaviour([&logins](QTcpSocket *socket, const QByteArray &request) {
        if (request.startsWith("GET /login"))
            return TestHttpServer::reply(R"(<input name="csrf" value="T0K">)")(socket, request);
        if (request.startsWith("POST /in")) {
            // The body's fields are the login test's; here the form is what is posted.
            const bool good = request.contains("Content-Type: application/x-www-form-urlencoded");
            logins += good;
            return TestHttpServer::raw(good
                                           ? "HTTP/1.1 302 Found\r\nSet-Cookie: SID=abc123\r\nLocation: /s\r\n"
                                             "Content-Length: 0\r\n\r\n"
                                           : "HTTP/1.1 403 Forbidden\r\nContent-Length: 3\r\n\r\nno!")(socket, request);
        }
        if (request.contains("Cookie: SID=abc123"))
            return TestHttpServer::reply(modemPage("57"))(socket, request);
        TestHttpServer::raw("HTTP/1.1 302 Found\r\nLocation: /login\r\nContent-Length: 0\r\n\r\n")(socket, request);
    });
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    w.c.txtURL->setText(server.url(QStringLiteral("/s")));
    QTest::mouseClick(w.c.ModemLogin, Qt::LeftButton);
    auto *dialog = w.findChild<QDialog *>(QStringLiteral("LoginDialog"));
    dialog->findChild<QLineEdit *>(QStringLiteral("User"))->setText(QStringLiteral("admin"));
    dialog->findChild<QLineEdit *>(QStringLiteral("Password"))->setText(QStringLiteral("s3cret!"));
    auto *kind = dialog->findChild<QComboBox *>();
    kind->setCurrentIndex(1);
    const QList<QLineEdit *> fields = dialog->findChildren<QLineEdit *>();
    const auto field = [&fields](const char *placeholder) {
        return *std::find_if(fields.begin(), fields.end(), [placeholder](QLineEdit *f) {
            return f->placeholderText().startsWith(QLatin1String(placeholder));
        });
    };
    field("/login.html")->setText(QStringLiteral("/login"));
    field("name=")->setText(QStringLiteral(R"x(name="csrf" value="([^"]*)")x"));
    field("/goform")->setText(QStringLiteral("/in"));
    field("username=")->setText(QStringLiteral("user={user}&pw={password}&csrf={token}"));
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        if (button->text() == u"&Test")
            button->click();
    auto *steps = dialog->findChild<QPlainTextEdit *>();
    QTRY_VERIFY_WITH_TIMEOUT(steps->toPlainText().contains(QStringLiteral("A reading came")), 10000);
    for (const char *step : {"Token found", "Login sent to /in: 302 Found", "Cookies set: SID", "Reading: 57"})
        QVERIFY2(steps->toPlainText().contains(QLatin1String(step)), qPrintable(steps->toPlainText()));
    QVERIFY(!steps->toPlainText().contains(QStringLiteral("s3cret")) && !steps->toPlainText().contains(u"abc123"));
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Save)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 20000);
    const ModemSettings kept = ModemSettings::load();
    QVERIFY(kept.form);
    QCOMPARE(kept.form->token, QStringLiteral(R"x(name="csrf" value="([^"]*)")x"));
    QCOMPARE(kept.form->body, QStringLiteral("user={user}&pw={password}&csrf={token}"));
    QCOMPARE(w.monitor().modem().form, kept.form);
    // The monitor logs in at its next poll, once.
    const int before = logins;
    w.monitor().pollNow();
    QTRY_VERIFY_WITH_TIMEOUT(w.c.Talvor->text() == u"57", 10000);
    QCOMPARE(logins, before + 1);
}

// "Values…": a bad row is said and nothing saved; Test shows what each
// value reads; Save keeps them and the next poll shares them.
void TestModemPages::valuesAreTriedAndKeptFromTheDialog()
{
    TestHttpServer server;
    // Past the 4 kB a search of the reading's own keeps: the values' rules ask for the whole page.
    server.setBehaviour(TestHttpServer::reply(R"({"pad":")" + QByteArray(5000, 'x')
                                              + R"(","signal":{"snr":12.5,"esno":9.1},"rx":{"power":-45.2}})"));
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    w.c.txtURL->setText(server.url(QStringLiteral("/s")));
    w.c.ModemValues->click();
    auto *dialog = w.findChild<QDialog *>(QStringLiteral("ValuesDialog"));
    QVERIFY(dialog && dialog->isVisible());
    auto *table = dialog->findChild<QTableWidget *>();
    const auto button = [dialog](const QString &text) {
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == text)
                return b;
        return static_cast<QPushButton *>(nullptr);
    };
    const auto row = [&](const QStringList &cells, const QString &rule) {
        button(QStringLiteral("&Add"))->click();
        const int at = table->rowCount() - 1;
        for (int column : {0, 1, 2, 4, 5})
            table->item(at, column)->setText(cells.value(column));
        qobject_cast<QComboBox *>(table->cellWidget(at, 3))->setCurrentText(rule);
    };
    row({QStringLiteral("esno"),
         QStringLiteral("Es/No"),
         QStringLiteral("dB"),
         {},
         QStringLiteral("/signal/esno"),
         QStringLiteral("6")},
        QStringLiteral("json"));
    row({QStringLiteral("rx power"), {}, {}, {}, QStringLiteral("/rx/power")}, QStringLiteral("json"));
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Save)->click();
    QVERIFY(dialog->isVisible());
    QVERIFY(ModemSettings::load().values.isEmpty());
    table->item(1, 0)->setText(QStringLiteral("rx"));
    button(QStringLiteral("&Test"))->click();
    auto *steps = dialog->findChild<QPlainTextEdit *>();
    QTRY_VERIFY_WITH_TIMEOUT(steps->toPlainText().contains(QStringLiteral("Value rx: rx -45.2")), 10000);
    QVERIFY2(steps->toPlainText().contains(QStringLiteral("Value esno: Es/No 9.1 dB")),
             qPrintable(steps->toPlainText()));
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Save)->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(ModemSettings::load().values.size(), 2);
    QCOMPARE(w.monitor().modem().values.size(), 2);
    w.monitor().pollNow();
    QTRY_VERIFY_WITH_TIMEOUT(w.sharing().statusJson().contains(R"("values":{"esno":9.1,"rx":-45.2})"), 10000);
    // The Timeline tab offers each value; chosen, it draws that value's minutes.
    w.monitor().record().flush();
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().record().store().valueNames().contains(QStringLiteral("esno")), 10000);
    QComboBox *shown = nullptr;
    for (QComboBox *box : w.findChildren<QComboBox *>())
        if (box->accessibleName() == u"Shown")
            shown = box;
    QVERIFY(shown && shown->findData(QStringLiteral("esno")) > 0);
    shown->setCurrentIndex(shown->findData(QStringLiteral("esno")));
    emit shown->activated(shown->currentIndex());
    QCOMPARE(w.monitor().record().shownValue(), QStringLiteral("esno"));
    QCOMPARE(w.monitor().record().store().rows(0, std::numeric_limits<qint64>::max() / 2, 6).value(0).max, 9.1);
}

#include "test_modem_pages.moc"
