// Pages of other modems against loopback servers, read through the window:
// readings with a sign or decimals, JSON, and pages behind a login. The
// password never shows.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "app/Talvorf.h"
#include "form/CrlfTextView.h"
#include "monitor/Monitor.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestModemPages : public QObject {
    Q_OBJECT
private slots:
    void readsWhatTheRuleSays_data();
    void readsWhatTheRuleSays();
    void otherModemDialogSavesModemIni();
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
    ModemSettings modem;
    modem.rule = {*talvor::readingRuleKind(QString::fromLatin1(rule)), pattern};
    if (!password.isEmpty()) {
        modem.user = QStringLiteral("modem");
        modem.password = QString::fromLatin1(password);
    }
    w.monitor().setModem(modem);
    if (rule == "number")
        w.c.SearchText->setText(pattern);
    const QString before = w.windowTitle();
    w.c.txtURL->setText(server.url());
    QTest::mouseClick(w.c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w.c.Inet1->StillExecuting(), 15000);
    const QString view = w.c.Info_HTML->text();
    QCOMPARE(w.windowTitle(), title.isEmpty() ? before : title);
    QVERIFY2(view.contains(said), qPrintable(view));
    QVERIFY(password.isEmpty() || !view.contains(QString::fromLatin1(password)));
}

void TestModemPages::otherModemDialogSavesModemIni()
{
    QTemporaryDir home;
    std::unique_ptr<TestWindow> test = loadTestWindow(home);
    Talvorf &w = *test->window;
    w.c.MenuModem->trigger();
    auto *dialog = w.findChild<QDialog *>(QStringLiteral("ModemDialog"));
    QVERIFY(dialog && dialog->isVisible());
    auto *rule = dialog->findChild<QComboBox *>();
    rule->setCurrentIndex(rule->findData(int(talvor::ReadingRule::Json)));
    const QList<QLineEdit *> boxes = dialog->findChildren<QLineEdit *>();
    QCOMPARE(boxes.size(), 3);
    boxes[0]->setText(QStringLiteral("/signal/snr"));
    boxes[1]->setText(QStringLiteral("admin"));
    boxes[2]->setText(QStringLiteral("s3cret"));
    QCOMPARE(boxes[2]->echoMode(), QLineEdit::Password);
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Save)->click();
    // Once the keyring has answered (here: none does).
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 20000);
    // The monitor reads by the new rule at once, and a restart finds it again.
    QCOMPARE(w.monitor().modem().rule.kind, talvor::ReadingRule::Json);
    QCOMPARE(w.monitor().modem().password, QStringLiteral("s3cret"));
    const ModemSettings again = ModemSettings::load();
    QCOMPARE(again.rule.kind, talvor::ReadingRule::Json);
    QCOMPARE(again.rule.pattern, QStringLiteral("/signal/snr"));
    // In the file only where no keyring took it, and then the page view says so.
    QCOMPARE(again.password.isEmpty(),
             !w.c.Info_HTML->text().contains(QStringLiteral("the modem's password is kept in Modem.ini")));
    QCOMPARE(QFile::permissions(QDir(home.path()).filePath(ModemSettings::FileName))
                 & (QFile::ReadGroup | QFile::ReadOther),
             QFileDevice::Permissions());
}

QTEST_MAIN(TestModemPages)
#include "test_modem_pages.moc"
