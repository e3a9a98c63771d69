// The real transfer against loopback servers that misbehave on purpose. For
// every fault: nothing breaks, the page view says what happened, the window
// keeps answering, memory stays bounded, and the next request works.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "monitor/fetch/Transfer.h"
#include "window/form/CrlfTextView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
#ifdef __SANITIZE_ADDRESS__
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
const QString Failed = QStringLiteral("An error has occurred while communicating with the remote server.\r\n");
const QString Completed = QStringLiteral("The request was completed, all data has been received. \r\n");

qint64 residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * 4;
}

QByteArray header(int status, qint64 length, const QByteArray &more = {})
{
    return "HTTP/1.1 " + QByteArray::number(status)
        + " X\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(length) + "\r\n" + more + "\r\n";
}
} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void misbehavingServer_data();
    void misbehavingServer();
    void refusedConnection();
    void redirectsStayOnTheModem_data();
    void redirectsStayOnTheModem();

private:
    // Runs one request to the current behaviour and checks what every fault
    // must leave behind.
    void runAndRecover(const QString &url, const QString &pageEnd, const QString &title);

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestWindow> window;
    TestHttpServer *server = nullptr;
    Talvorf *w = nullptr;
    qint64 startKb = 0;
    // Where a redirect must never lead.
    TestHttpServer *farHost = nullptr;
    TestHttpServer *otherPort = nullptr;
};

void TestFaults::initTestCase()
{
    home = std::make_unique<QTemporaryDir>();
    qputenv("TALVOR_HOME", home->path().toLocal8Bit());
    server = new TestHttpServer(this);
    writeFile(QDir(home->path()).filePath(QStringLiteral("Talvor.ini")), settingsLine(server->url(), "50", 0));
    window = std::make_unique<TestWindow>();
    w = window->window.get();
    w->Form_Load();
    w->show();
    w->c.Inet1->setTimeoutMs(2000);
    startKb = residentKb();
}

void TestFaults::runAndRecover(const QString &url, const QString &pageEnd, const QString &title)
{
    w->c.Talvor->setText(QStringLiteral("0"));
    w->setWindowTitle(QStringLiteral("0 = SS"));
    w->c.txtURL->setText(url);
    QTest::mouseClick(w->c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w->c.Inet1->StillExecuting(), 10000);
    QTest::qWait(20);
    const QString page = w->c.Info_HTML->text();
    if (pageEnd.isEmpty()) {
        // A failure: the failed state, then the reason in words on a line of its own.
        const QString reason = page.section(Failed, 1);
        QVERIFY2(page.contains(Failed) && reason.size() > 2 && reason.endsWith(QStringLiteral("\r\n"))
                     && reason.count(QStringLiteral("\r\n")) == 1,
                 qPrintable(page.right(300)));
    } else {
        QVERIFY2(page.endsWith(pageEnd), qPrintable(page.right(300)));
    }
    QCOMPARE(w->windowTitle(), title);
    QVERIFY(w->c.Inet1->readBody(1 << 30).size() <= Transfer::BodyCap);
    // Under AddressSanitizer freed memory waits in quarantine: the bound is
    // the ordinary build's to check.
    if (!Sanitized)
        QVERIFY2(residentKb() - startKb < 20 * 1024, qPrintable(QString::number(residentKb() - startKb)));

    // The next poll works as if nothing had happened.
    server->setBehaviour(TestHttpServer::reply(modemPage("61")));
    w->c.txtURL->setText(server->url());
    QTest::mouseClick(w->c.GetHtml_button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("61 = SS"), 10000);
}

void TestFaults::misbehavingServer_data()
{
    QTest::addColumn<TestHttpServer::Behaviour>("behaviour");
    QTest::addColumn<QString>("pageEnd");
    QTest::addColumn<QString>("title");
    const QByteArray page = modemPage("47");
    QTest::newRow("accepted, never answered")
        << TestHttpServer::silent() << Failed + QStringLiteral("No complete answer within 2 seconds.\r\n") << "0 = SS";
    QTest::newRow("a byte a second") << TestHttpServer::drip(page, 1000)
                                     << Failed + QStringLiteral("No complete answer within 2 seconds.\r\n") << "0 = SS";
    QTest::newRow("endless body") << TestHttpServer::endlessBody()
                                  << Completed + QStringLiteral("Search text not found!\r\n") << "0 = SS";
    QTest::newRow("4 GB promised, little sent")
        << TestHttpServer::raw(header(200, 4294967296LL) + page) << QString() << "0 = SS";
    QTest::newRow("not HTTP at all") << TestHttpServer::raw(QByteArray("\x16\x03\x01garbage\xff\xfe\r\n\r\n", 16))
                                     << QString() << "0 = SS";
    QTest::newRow("500 with the reading") << TestHttpServer::reply(page, 500) << Completed << "47 = SS";
    QTest::newRow("404 with the reading") << TestHttpServer::reply(page, 404) << Completed << "47 = SS";
    QTest::newRow("500 without") << TestHttpServer::reply("Internal error", 500)
                                 << Completed + QStringLiteral("Search text not found!\r\n") << "0 = SS";
    QTest::newRow("404 without") << TestHttpServer::reply("<h1>Not found</h1>", 404)
                                 << Completed + QStringLiteral("Search text not found!\r\n") << "0 = SS";
    QTest::newRow("reset mid-body") << TestHttpServer::resetAfter(header(200, 5000) + page) << QString() << "0 = SS";
    QTest::newRow("400 with the reading") << TestHttpServer::reply(page, 400) << Completed << "47 = SS";
    QTest::newRow("418 with the reading") << TestHttpServer::reply(page, 418) << Completed << "47 = SS";
    QTest::newRow("3xx without a Location") << TestHttpServer::reply(page, 302) << Completed << "47 = SS";
    QTest::newRow("plain page labelled gzip")
        << TestHttpServer::raw(header(200, page.size(), "Content-Encoding: gzip\r\n") + page) << Completed << "47 = SS";
    QTest::newRow("endless headers") << TestHttpServer::endless("HTTP/1.1 200 OK\r\n",
                                                                "X-Filler: 0123456789abcdef0123456789abcdef\r\n")
                                     << QString() << "0 = SS";
    QTest::newRow("endless status line") << TestHttpServer::endless("HTTP/1.1 200 ", "OOOOOOOOOOOOOOOO")
                                         << Failed
            + QStringLiteral("A line of the server's response headers was too long.\r\n")
                                         << "0 = SS";
    QTest::newRow("closed after the status line")
        << TestHttpServer::raw("HTTP/1.1 200 OK\r\n")
        << Failed + QStringLiteral("The server closed the connection before its response headers were complete.\r\n")
        << "0 = SS";
    QTest::newRow("endless chunk-size line")
        << TestHttpServer::endless("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "ffffffffffffffff")
        << QString() << "0 = SS";
    QTest::newRow("NUL and invalid UTF-8")
        << TestHttpServer::reply(QByteArray("\0\xc3\x28\xa0\xa1 ", 6) + page + QByteArray("\xff\0", 2)) << Completed
        << "47 = SS";
}

void TestFaults::misbehavingServer()
{
    QFETCH(TestHttpServer::Behaviour, behaviour);
    QFETCH(QString, pageEnd);
    QFETCH(QString, title);
    server->setBehaviour(behaviour);
    runAndRecover(server->url(), pageEnd, title);
}

void TestFaults::refusedConnection()
{
    runAndRecover(QStringLiteral("http://127.0.0.1:%1/").arg(TestHttpServer::closedPort()),
                  Failed + QStringLiteral("Connection refused\r\n"), QStringLiteral("0 = SS"));
}

namespace {
// Answers the first requests with redirects to locations, in turn, and every
// later one with page.
TestHttpServer::Behaviour redirectsThen(const QList<QByteArray> &locations, const QByteArray &page, int status = 302)
{
    auto answered = std::make_shared<int>(0);
    return [=](QTcpSocket *socket, const QByteArray &request) {
        if (*answered < locations.size())
            TestHttpServer::raw(header(status, 0, "Location: " + locations[(*answered)++] + "\r\n"))(socket, request);
        else
            TestHttpServer::reply(page)(socket, request);
    };
}
} // namespace

void TestFaults::redirectsStayOnTheModem_data()
{
    QTest::addColumn<TestHttpServer::Behaviour>("behaviour");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("words");
    farHost = new TestHttpServer(this, QHostAddress(QStringLiteral("127.0.0.2")));
    otherPort = new TestHttpServer(this);
    farHost->setBehaviour(TestHttpServer::reply(modemPage("99")));
    otherPort->setBehaviour(TestHttpServer::reply(modemPage("99")));
    const QByteArray page = modemPage("61");
    const QByteArray home = "127.0.0.1:" + QByteArray::number(server->port());
    const QByteArray farPort = QByteArray::number(farHost->port());

    // Followed as curl -L follows them: spaces and all.
    QTest::newRow("same host, absolute with spaces")
        << redirectsThen({"http://" + home + "/stats/summary/summary 1 .txt"}, page) << 2 << "61 = SS" << Completed;
    QTest::newRow("relative with spaces") << redirectsThen({"../other page.txt"}, page) << 2 << "61 = SS" << Completed;
    QTest::newRow("five hops") << redirectsThen({"/1", "/2", "/3", "/4", "/5"}, page, 307) << 6 << "61 = SS"
                               << Completed;
    QTest::newRow("six hops") << redirectsThen({"/1", "/2", "/3", "/4", "/5", "/6"}, page) << 6 << "0 = SS"
                              << "more than 5 times";
    QTest::newRow("loop") << TestHttpServer::redirectLoop() << 6 << "0 = SS"
                          << "more than 5 times";

    // Refused, each for what really differs; every target carries the search
    // text or leads to a page with a number, so neither the other server's
    // page nor our transcript of the refusal may become a reading.
    const QByteArray far = "http://127.0.0.2:" + farPort + "/s.txt";
    QTest::newRow("another host") << redirectsThen({far}, page) << 1 << "0 = SS"
                                  << QString::fromLatin1("another host (" + far + ")");
    QTest::newRow("another host by name")
        << redirectsThen({"http://localhost:" + QByteArray::number(server->port()) + "/s.txt"}, page) << 1 << "0 = SS"
        << "another host";
    QTest::newRow("another port") << redirectsThen({otherPort->url(QStringLiteral("/s.txt")).toLatin1()}, page) << 1
                                  << "0 = SS"
                                  << "another port";
    QTest::newRow("another scheme") << redirectsThen({"https://" + home + "/s.txt"}, page) << 1 << "0 = SS"
                                    << "another scheme";
    QTest::newRow("file") << redirectsThen({"file:///etc/passwd"}, page) << 1 << "0 = SS"
                          << "another scheme";
    QTest::newRow("two Locations, other host first")
        << TestHttpServer::raw(header(302, 0, "Location: " + far + "\r\nLocation: /ok\r\n")) << 1 << "0 = SS"
        << "another host";
    QTest::newRow("far host with spaces")
        << redirectsThen({farHost->url(QStringLiteral("/Signal Strength.............. 99")).toLatin1()}, page) << 1
        << "0 = SS"
        << "another host";
    for (const int status : {300, 301, 305, 308, 399})
        QTest::newRow(qPrintable(QString::number(status))) << redirectsThen({far}, page, status) << 1 << "0 = SS"
                                                           << "another host";
    QTest::newRow("CR inside Location") << redirectsThen({"http://127.0.0.2:" + farPort + "\r@" + home + "/"}, page)
                                        << 1 << "0 = SS"
                                        << "cannot be read";
    QTest::newRow("unreadable") << redirectsThen({"http://[::1/s.txt"}, page) << 1 << "0 = SS"
                                << "cannot be read";
}

void TestFaults::redirectsStayOnTheModem()
{
    QFETCH(TestHttpServer::Behaviour, behaviour);
    QFETCH(int, requests);
    QFETCH(QString, title);
    QFETCH(QString, words);
    const int before = farHost->requestCount() + otherPort->requestCount();
    const int ownBefore = server->requestCount();
    server->setBehaviour(behaviour);
    w->c.txtURL->setText(server->url());
    w->setWindowTitle(QStringLiteral("0 = SS"));
    QTest::mouseClick(w->c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w->c.Inet1->StillExecuting(), 10000);
    QTest::qWait(20);
    QVERIFY2(w->c.Info_HTML->text().contains(words), qPrintable(w->c.Info_HTML->text().right(300)));
    QCOMPARE(server->requestCount() - ownBefore, requests);
    QCOMPARE(w->windowTitle(), title);
    // The next page lacks the search text: only the page view's own lines
    // could give it one.
    w->setWindowTitle(QStringLiteral("0 = SS"));
    server->setBehaviour(TestHttpServer::reply("no number here"));
    QTest::mouseClick(w->c.GetHtml_button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!w->c.Inet1->StillExecuting(), 10000);
    QTest::qWait(20);
    QCOMPARE(farHost->requestCount() + otherPort->requestCount(), before);
    QCOMPARE(w->windowTitle(), QStringLiteral("0 = SS"));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
