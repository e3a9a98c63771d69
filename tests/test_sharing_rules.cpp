// What Talvor tells others: the addresses it listens and publishes on, its
// Home Assistant discovery, Waybar's JSON and a running copy's answer.
#include "core/sharing/SharingRules.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace talvor;

class TestSharingRules : public QObject {
    Q_OBJECT
private slots:
    void sharingEndpointsAndIds_data();
    void sharingEndpointsAndIds();
    void waybarSaysWhatTheStatusSays_data();
    void waybarSaysWhatTheStatusSays();
    void discoveryNamesThisCopy_data();
    void discoveryNamesThisCopy();
    void runningCopysAnswer_data();
    void runningCopysAnswer();
    void namedValuesReachStatusAndWaybar();
};

void TestSharingRules::sharingEndpointsAndIds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("loopback") << "127.0.0.1:9771"
                              << "127.0.0.1" << 9771;
    QTest::newRow("IPv6 in brackets") << "[::1]:1883"
                                      << "::1" << 1883;
    QTest::newRow("port out of range") << "127.0.0.1:65536"
                                       << "" << 0;
    QTest::newRow("port 0") << "127.0.0.1:0"
                            << "" << 0;
    QTest::newRow("no port") << "127.0.0.1"
                             << "" << 0;
    QTest::newRow("words for a port") << "localhost:http"
                                      << "" << 0;
}

void TestSharingRules::sharingEndpointsAndIds()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    const auto endpoint = parseEndpoint(text);
    QCOMPARE(endpoint.has_value(), !host.isEmpty());
    if (endpoint) {
        QCOMPARE(endpoint->host, host);
        QCOMPARE(int(endpoint->port), port);
    }
    // Topics and ids take the host's own name, made safe.
    QCOMPARE(sharingId(QStringLiteral("Living-Room PC.home.lan")), QStringLiteral("living-roompc"));
    QCOMPARE(sharingId(QStringLiteral("#+/")), QStringLiteral("talvor"));
}

void TestSharingRules::waybarSaysWhatTheStatusSays_data()
{
    QTest::addColumn<QByteArray>("status"); // empty: no copy runs
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cssClass");
    QTest::addColumn<int>("percentage");
    const auto line = [](const char *reading, bool stale) {
        return QByteArray(R"({"problems":[],"reading":)") + reading + R"(,"reason":"timed out","stale":)"
            + (stale ? "true" : "false") + R"(,"threshold":50,"time":"2026-12-09T10:00:00Z"})";
    };
    QTest::newRow("none runs") << QByteArray() << "–"
                               << "stopped" << 0;
    QTest::newRow("ok") << line("57", false) << "57"
                        << "ok" << 57;
    QTest::newRow("at the threshold is low") << line("50", false) << "50"
                                             << "low" << 50;
    QTest::newRow("stale keeps the last") << line("57", true) << "57"
                                          << "stale" << 57;
    QTest::newRow("no reading yet") << line("null", false) << "–"
                                    << "stale" << 0;
    QTest::newRow("beyond 100") << line("130", false) << "130"
                                << "ok" << 100;
}

void TestSharingRules::waybarSaysWhatTheStatusSays()
{
    QFETCH(QByteArray, status);
    QFETCH(QString, text);
    QFETCH(QString, cssClass);
    QFETCH(int, percentage);
    const QJsonObject w =
        QJsonDocument::fromJson(waybarStatus(status.isEmpty() ? std::nullopt : std::optional(status))).object();
    QCOMPARE(w.value(u"text").toString(), text);
    QCOMPARE(w.value(u"class").toString(), cssClass);
    QCOMPARE(w.value(u"percentage").toInt(), percentage);
    QVERIFY(!w.value(u"tooltip").toString().isEmpty());
}

// The status line carries the named values only where some are set (a
// folder without them says what it always said), and Waybar's tip lists them.
void TestSharingRules::namedValuesReachStatusAndWaybar()
{
    SharingState state;
    state.reading = 57;
    QVERIFY(!statusJson(state).contains("values"));
    QVERIFY(!metricsText(state, QStringLiteral("1")).contains("talvor_value"));
    state.values = {
        {QStringLiteral("esno"), QStringLiteral("Es/No"), QStringLiteral("dB"), 6.0, 9.1, {}},
        {QStringLiteral("rx"), QStringLiteral("Rx"), QStringLiteral("d\"B"), {}, std::nullopt, QStringLiteral("gone")}};
    const QByteArray status = statusJson(state);
    QVERIFY2(status.contains(R"("values":{"esno":9.1,"rx":null})"), status.constData());
    const QString tip = QJsonDocument::fromJson(waybarStatus(status)).object().value(u"tooltip").toString();
    QVERIFY2(tip.contains(QStringLiteral("\nesno 9.1")) && tip.contains(QStringLiteral("\nrx –")), qPrintable(tip));
    // A unit is a label value: its quote is escaped, as Prometheus reads it.
    QVERIFY(metricsText(state, QStringLiteral("1")).contains(R"(talvor_value_threshold{name="esno"} 6)"));
    state.values[1].value = -45.2;
    QVERIFY(metricsText(state, QStringLiteral("1")).contains(R"(talvor_value{name="rx",unit="d\"B"} -45.2)"));
}

void TestSharingRules::discoveryNamesThisCopy_data()
{
    QTest::addColumn<int>("pollSeconds");
    QTest::addColumn<int>("expireAfter");
    QTest::newRow("fast polls hold 30 s") << 1 << 30;
    QTest::newRow("ten seconds") << 10 << 30;
    QTest::newRow("three polls missed") << 11 << 33;
    QTest::newRow("a minute") << 60 << 180;
}

void TestSharingRules::discoveryNamesThisCopy()
{
    QFETCH(int, pollSeconds);
    QFETCH(int, expireAfter);
    const DiscoveryDevice device{QStringLiteral("0a1b2c3d"), QStringLiteral("Talvor barn"), QStringLiteral("0.4"),
                                 pollSeconds};
    const QJsonObject signal =
        QJsonDocument::fromJson(signalDiscovery(QStringLiteral("ha"), QStringLiteral("t"), device).config).object();
    QCOMPARE(signal.value(u"expire_after").toInt(), expireAfter);
    QCOMPARE(signal.value(u"state_topic").toString(), QStringLiteral("t/0a1b2c3d/signal"));
    QCOMPARE(signal.value(u"unique_id").toString(), QStringLiteral("talvor_0a1b2c3d_signal"));
    QCOMPARE(signal.value(u"device").toObject().value(u"name").toString(), QStringLiteral("Talvor barn"));
    QCOMPARE(signal.value(u"origin").toObject().value(u"sw_version").toString(), QStringLiteral("0.4"));
    // The modem's state changes seldom: it never expires.
    const Discovery modem = modemDiscovery(QStringLiteral("ha"), QStringLiteral("t"), device);
    QCOMPARE(modem.topic, QStringLiteral("ha/binary_sensor/talvor_0a1b2c3d/modem/config"));
    QVERIFY(!QJsonDocument::fromJson(modem.config).object().contains(u"expire_after"));
}

void TestSharingRules::runningCopysAnswer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("printed"); // empty: refused
    QTest::newRow("own status line") << statusJson({}) << statusJson({});
    QTest::newRow("escape sequence in a reason") << QByteArray("{\"reason\":\"\x1b[2J\x1b]0;owned\x07\"}")
                                                 << QByteArray("{\"reason\":\"\\u001b[2J\\u001b]0;owned\\u0007\"}");
    QTest::newRow("DEL and a C1 control") << QByteArray("{\"reason\":\"\x7f"
                                                        "a\xc2\x9b"
                                                        "2J\"}")
                                          << QByteArray("{\"reason\":\"\\u007f"
                                                        "a\\u009b"
                                                        "2J\"}");
    QTest::newRow("not JSON") << QByteArray("\x1b[2Jhello") << QByteArray();
    QTest::newRow("an array, not an object") << QByteArray("[1,2]") << QByteArray();
}

void TestSharingRules::runningCopysAnswer()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, printed);
    const auto shown = printableStatus(answer);
    QCOMPARE(shown.value_or(QByteArray()), printed);
    // The status carries Talvor's own problems, none by default.
    SharingState state;
    state.problems << QStringLiteral("The record cannot be written");
    QVERIFY(statusJson(state).contains("\"problems\":[\"The record cannot be written\"]"));
}

QTEST_APPLESS_MAIN(TestSharingRules)
#include "test_sharing_rules.moc"
