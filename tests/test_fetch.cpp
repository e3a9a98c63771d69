// "Get File" against real HTTP servers on loopback, read back through the
// window's own controls.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "app/Talvorf.h"
#include "monitor/fetch/Transfer.h"
#include "window/fetch/StatusFetch.h"
#include "window/form/CrlfTextView.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSslKey>
#include <QSslServer>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString completion = QStringLiteral("The request was completed, all data has been received. \r\n");
const QString failure = QStringLiteral("An error has occurred while communicating with the remote server.\r\n");
} // namespace

class TestFetch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void successfulPageGivesTheReading();
    void readingsAroundTheIconRange();
    void searchTextInAnotherCase();
    void refusedPortFailsWithoutReading();
    void silentServerTimesOut();
    void getFileDuringARequest();
    void longPageIsCutAt4096Bytes();
    void endlessBodyCompletesWith4096Bytes();
    void errorPagesStillGoThroughExtraction();
    void malformedAndUnsupportedAddresses();
    void emptyUrlStartsNothing();
    void pageWithoutSearchTextKeepsThePreviousReading();
    void cancelDropsTheRequestAtOnce();
    void httpsStartsTlsAtTheFirstHttpsAddress();

private:
    QString page() const { return window->c.Info_HTML->text(); }
    void getFile(const QString &url);
    void waitUntilIdle();

    QTemporaryDir home;
    TestHttpServer *server = nullptr;
    std::unique_ptr<TestWindow> test;
    Talvorf *window = nullptr;
};

void TestFetch::init()
{
    server = new TestHttpServer;
    test = loadTestWindow(home);
    window = test->window.get();
}

void TestFetch::cleanup()
{
    test.reset();
    delete server;
}

void TestFetch::getFile(const QString &url)
{
    window->c.txtURL->setText(url);
    QTest::mouseClick(window->c.GetHtml_button, Qt::LeftButton);
}

void TestFetch::waitUntilIdle()
{
    QTRY_VERIFY_WITH_TIMEOUT(!window->c.Inet1->StillExecuting(), 15000);
}

void TestFetch::successfulPageGivesTheReading()
{
    const QByteArray body = modemPage("57");
    server->setBehaviour(TestHttpServer::reply(body));
    getFile(server->url());
    waitUntilIdle();

    QVERIFY2(page().startsWith(QStringLiteral("Gettting new Data!!  Request number - 1\r\n")), qPrintable(page()));
    QVERIFY(page().endsWith(QString::fromLatin1(body) + QStringLiteral("\r\n") + completion));
    // Every state line stands on its own line between the request line and the body.
    const QString states =
        page().section(QStringLiteral("\r\n"), 1).left(page().indexOf(QString::fromLatin1(body)) - 41);
    QVERIFY(states.contains(QStringLiteral("Connecting to the remote server.\r\n")));
    QVERIFY(states.contains(QStringLiteral("The request was sent successfully to the remote server.\r\n")));
    QVERIFY(states.contains(QStringLiteral("The response was received successfully from the remote server.\r\n")));
    QCOMPARE(window->windowTitle(), QStringLiteral("57 = SS"));
    QCOMPARE(window->c.ChooseView->tabText(0), QStringLiteral("Signal Strength =  57  Histogram"));
    QCOMPARE(window->c.Talvor->text(), QStringLiteral("57"));
    QCOMPARE(window->form.IconIndex, qint16(57));
    QCOMPARE(server->requestCount(), 1);
    QVERIFY(server->requests().first().startsWith("GET /stats/summary/summary%201%20.txt HTTP/1.1\r\n"));

    getFile(server->url());
    waitUntilIdle();
    QVERIFY(page().startsWith(QStringLiteral("Gettting new Data!!  Request number - 2\r\n")));
}

void TestFetch::readingsAroundTheIconRange()
{
    struct Case {
        QByteArray onPage;
        QString reading;
        qint16 icon;
        QString caption;
    };
    const Case cases[] = {
        {"250", QStringLiteral("250"), 100, QStringLiteral("Signal Strength = 250  Histogram")},
        {"1.5", QStringLiteral("1.5"), 2, QStringLiteral("Signal Strength = 1.5  Histogram")},
        {" 5 ", QStringLiteral("5"), 5, QStringLiteral("Signal Strength =   5  Histogram")},
        {"-7", QStringLiteral("-7"), -7, QStringLiteral("Signal Strength =  -7  Histogram")},
        {"&H7", QStringLiteral("7"), 7, QStringLiteral("Signal Strength =   7  Histogram")},
        {".55", QStringLiteral("0.55"), 1, QStringLiteral("Signal Strength = 0.55  Histogram")},
    };
    for (const Case &c : cases) {
        server->setBehaviour(TestHttpServer::reply(modemPage(c.onPage)));
        getFile(server->url());
        waitUntilIdle();
        QCOMPARE(window->c.Talvor->text(), c.reading);
        QCOMPARE(window->form.IconIndex, c.icon);
        QCOMPARE(window->c.ChooseView->tabText(0), c.caption);
        QCOMPARE(window->windowTitle(), c.reading + QStringLiteral(" = SS"));
    }
}

void TestFetch::searchTextInAnotherCase()
{
    window->c.SearchText->setText(QStringLiteral("SIGNAL strength.............. "));
    server->setBehaviour(TestHttpServer::reply(modemPage("63")));
    getFile(server->url());
    waitUntilIdle();
    QCOMPARE(window->windowTitle(), QStringLiteral("63 = SS"));
}

void TestFetch::refusedPortFailsWithoutReading()
{
    getFile(QStringLiteral("http://127.0.0.1:%1/status.txt").arg(TestHttpServer::closedPort()));
    waitUntilIdle();
    // The failure is the last state; the reason follows it.
    QVERIFY2(page().endsWith(failure + QStringLiteral("Connection refused\r\n")), qPrintable(page()));
    QVERIFY(!page().contains(QStringLiteral("completed")));
    QCOMPARE(window->windowTitle(), QStringLiteral("0 = SS"));
}

void TestFetch::silentServerTimesOut()
{
    window->c.Inet1->setTimeoutMs(800);
    server->setBehaviour(TestHttpServer::silent());
    getFile(server->url());
    QTest::qWait(300);
    QVERIFY(window->c.Inet1->StillExecuting());
    waitUntilIdle();
    QVERIFY2(page().endsWith(failure + QStringLiteral("No complete answer within 0.8 seconds.\r\n")),
             qPrintable(page()));
    QCOMPARE(window->windowTitle(), QStringLiteral("0 = SS"));

    // The next request works as if nothing had happened.
    server->setBehaviour(TestHttpServer::reply(modemPage("44")));
    getFile(server->url());
    waitUntilIdle();
    QCOMPARE(window->windowTitle(), QStringLiteral("44 = SS"));
}

void TestFetch::getFileDuringARequest()
{
    server->setBehaviour(TestHttpServer::delayedReply(modemPage("71"), 700));
    getFile(server->url());
    QTRY_VERIFY(server->requestCount() == 1);
    QTest::mouseClick(window->c.GetHtml_button, Qt::LeftButton);
    QVERIFY2(page().startsWith(
                 QStringLiteral("Gettting new Data!!  Request number - 2\r\n\r\nStill executing last request\r\n")),
             qPrintable(page()));
    waitUntilIdle();
    // The first request's remaining states and its reading still arrive.
    QVERIFY(page().endsWith(completion));
    QCOMPARE(window->windowTitle(), QStringLiteral("71 = SS"));
    QCOMPARE(server->requestCount(), 1);
}

void TestFetch::longPageIsCutAt4096Bytes()
{
    QByteArray body = modemPage("66");
    body += QByteArray(5000 - body.size(), 'y');
    server->setBehaviour(TestHttpServer::reply(body));
    getFile(server->url());
    waitUntilIdle();
    QVERIFY(page().contains(QString::fromLatin1(body.left(4096)) + QStringLiteral("\r\nThe request was completed")));
    QVERIFY(!page().contains(QString(4097 - modemPage("66").size(), u'y')));
    QCOMPARE(window->windowTitle(), QStringLiteral("66 = SS"));
}

void TestFetch::endlessBodyCompletesWith4096Bytes()
{
    server->setBehaviour(TestHttpServer::endlessBody());
    getFile(server->url());
    waitUntilIdle();
    const QString tail =
        QString(4096, u'x') + QStringLiteral("\r\n") + completion + QStringLiteral("Search text not found!\r\n");
    QVERIFY2(page().endsWith(tail), qPrintable(page().right(200)));
    QVERIFY(!page().contains(QString(4097, u'x')));
}

void TestFetch::errorPagesStillGoThroughExtraction()
{
    server->setBehaviour(TestHttpServer::reply(modemPage("38"), 404));
    getFile(server->url());
    waitUntilIdle();
    QVERIFY(page().endsWith(completion));
    // The status is named before the page, so a wrong address reads as one.
    QVERIFY(page().contains(QStringLiteral("\r\nThe modem answered 404 Status\r\nModem Status Summary")));
    QCOMPARE(window->windowTitle(), QStringLiteral("38 = SS"));
}

void TestFetch::malformedAndUnsupportedAddresses()
{
    const struct {
        QString url;
        QString message;
    } cases[] = {
        {QStringLiteral("http://127.0.0.1:99999/x"), QStringLiteral("URL is malformed")},
        {QStringLiteral("http://[::1/x"), QStringLiteral("URL is malformed")},
        {QStringLiteral("gopher2://127.0.0.1/x"), QStringLiteral("Unrecognized scheme")},
        {QStringLiteral("ftp://127.0.0.1/x"), QStringLiteral("Protocol not supported for this method")},
        {QStringLiteral("http:///x"), QStringLiteral("No remote computer is specified")},
    };
    int request = 0;
    QString previous;
    for (const auto &c : cases) {
        getFile(c.url);
        ++request;
        // An address that cannot be polled is a poll without a reading too.
        const QString why =
            previous.isEmpty() ? QString() : QStringLiteral("Previous request gave no reading: %1\r\n").arg(previous);
        QCOMPARE(page(),
                 QStringLiteral("Gettting new Data!!  Request number - %1\r\n%2\r\n%3\r\n")
                     .arg(request)
                     .arg(why, c.message));
        QVERIFY(!window->c.Inet1->StillExecuting());
        previous = c.message;
    }
    QCOMPARE(window->windowTitle(), QStringLiteral("0 = SS"));
}

void TestFetch::emptyUrlStartsNothing()
{
    getFile(QString());
    QCOMPARE(page(), QStringLiteral("Need a url to get info!!\r\n"));
    QCOMPARE(window->form.RequestNumber, 0);
    QVERIFY(!window->c.Inet1->StillExecuting());
    QCOMPARE(server->requestCount(), 0);
    // The program goes on: the next address is fetched as usual.
    getFile(server->url());
    waitUntilIdle();
    QCOMPARE(server->requestCount(), 1);
}

void TestFetch::pageWithoutSearchTextKeepsThePreviousReading()
{
    server->setBehaviour(TestHttpServer::reply(modemPage("52")));
    getFile(server->url());
    waitUntilIdle();
    QCOMPARE(window->windowTitle(), QStringLiteral("52 = SS"));

    server->setBehaviour(TestHttpServer::reply("<html>Login required</html>"));
    getFile(server->url());
    waitUntilIdle();
    QVERIFY(page().endsWith(completion + QStringLiteral("Search text not found!\r\n")));
    QCOMPARE(window->windowTitle(), QStringLiteral("52 = SS"));
    QCOMPARE(window->c.ChooseView->tabText(0), QStringLiteral("Signal Strength =  52  Histogram"));

    window->c.SearchText->setText(QString());
    server->setBehaviour(TestHttpServer::reply(modemPage("90")));
    getFile(server->url());
    waitUntilIdle();
    QVERIFY(page().endsWith(QStringLiteral("Search text not found!\r\n")));
    QCOMPARE(window->windowTitle(), QStringLiteral("52 = SS"));
}

void TestFetch::cancelDropsTheRequestAtOnce()
{
    server->setBehaviour(TestHttpServer::silent());
    getFile(server->url());
    QTRY_VERIFY(server->requestCount() == 1);
    QVERIFY(window->c.Inet1->StillExecuting());
    const QString before = page();
    window->c.Inet1->cancel();
    QVERIFY(!window->c.Inet1->StillExecuting());
    // Nothing more is told of the dropped request, and the next one runs.
    server->setBehaviour(TestHttpServer::reply(modemPage("45")));
    getFile(server->url());
    QTRY_COMPARE(window->windowTitle(), QStringLiteral("45 = SS"));
    QVERIFY(!page().contains(failure));
    QVERIFY(before.startsWith(QStringLiteral("Gettting new Data!!  Request number - 1")));
}

void TestFetch::httpsStartsTlsAtTheFirstHttpsAddress()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend for the test server");
    // A certificate nobody signed: the request gets as far as checking it,
    // which only a started TLS library does.
    const QString key = home.filePath(QStringLiteral("key.pem")), cert = home.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-days"),
                   QStringLiteral("1"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0)
        QSKIP("no openssl to make a certificate with");
    QFile keyFile(key);
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(QSslCertificate::fromPath(cert).value(0));
    config.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec));
    QSslServer tls;
    tls.setSslConfiguration(config);
    QVERIFY(tls.listen(QHostAddress::LocalHost));

    getFile(QStringLiteral("https://127.0.0.1:%1/status.txt").arg(tls.serverPort()));
    waitUntilIdle();
    QVERIFY2(page().contains(QStringLiteral("certificate verification failed")), qPrintable(page()));
    QCOMPARE(window->windowTitle(), QStringLiteral("0 = SS"));
}

QTEST_MAIN(TestFetch)
#include "test_fetch.moc"
