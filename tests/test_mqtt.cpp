// The MQTT link under brokers that misbehave: a name server that never
// answers holds up nothing, and a broker that says yes and then hangs up at
// once is not hammered. Its settings, which may hold a password, are saved
// for their owner alone. With a real broker: what the settings no longer
// publish is taken off it.
#include "core/settings/FormState.h"
#include "core/sharing/SharingRules.h"
#include "monitor/Monitor.h"
#include "monitor/record/RecordStore.h"
#include "monitor/sharing/MqttLink.h"
#include "monitor/sharing/SharingHub.h"
#include "monitor/sharing/SharingSettings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <mutex>
#include <sys/stat.h>

class TestMqtt : public QObject {
    Q_OBJECT
private slots:
    void aSlowNameServerHoldsUpNothing();
    void aBrokerThatDropsAtOnceIsTriedLessAndLessOften_data();
    void aBrokerThatDropsAtOnceIsTriedLessAndLessOften();
    void sharingSettingsAreSavedOwnerOnly();
    void retainedTopicsFollowTheSettings_data();
    void retainedTopicsFollowTheSettings();
    void twoCopiesShareABrokerAndHomeAssistantRestarts();
    void pauseReasonAndHostTopicsAtTheBroker();
    void expiryFollowsTheSetIntervalOnly();
    void aBrokerBackAfterFailuresGetsEverythingAgain();
};

namespace {
// A look-up that answers only when the test lets it.
struct Gate {
    std::mutex lock;
    std::condition_variable opened;
    bool open = false;
    int asked = 0;
    void release()
    {
        const std::lock_guard<std::mutex> hold(lock);
        open = true;
        opened.notify_all();
    }
};
} // namespace

void TestMqtt::aSlowNameServerHoldsUpNothing()
{
    auto gate = std::make_shared<Gate>();
    {
        MqttLink publisher;
        publisher.setResolver([gate](const QString &, QString *error) {
            std::unique_lock<std::mutex> hold(gate->lock);
            ++gate->asked;
            gate->opened.wait(hold, [&] { return gate->open; });
            *error = QStringLiteral("no answer");
            return QString();
        });
        QCOMPARE(publisher.start(
                     {QStringLiteral("broker.invalid"), 1883, {}, {}, QStringLiteral("t"), QStringLiteral("t/status")}),
                 QString());
        // The look-up hangs, yet this thread goes on: a timer still fires.
        bool ticked = false;
        QTimer::singleShot(50, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
        QTRY_COMPARE(gate->asked, 1);
        QVERIFY(publisher.isStarting());
        publisher.publish(QStringLiteral("t/signal"), "57", true);
    } // gone while its look-up still hangs
    gate->release();
    // The late answer finds nobody to tell, and nothing breaks.
    QTest::qWait(100);
}

void TestMqtt::aBrokerThatDropsAtOnceIsTriedLessAndLessOften_data()
{
    QTest::addColumn<bool>("acknowledges");
    QTest::newRow("hangs up before its answer") << false;
    QTest::newRow("says yes, then hangs up") << true;
}

void TestMqtt::aBrokerThatDropsAtOnceIsTriedLessAndLessOften()
{
    QFETCH(bool, acknowledges);
    QTcpServer broker;
    QVERIFY(broker.listen(QHostAddress::LocalHost));
    int connects = 0;
    connect(&broker, &QTcpServer::newConnection, this, [&] {
        while (QTcpSocket *client = broker.nextPendingConnection()) {
            ++connects;
            connect(client, &QTcpSocket::readyRead, client, [client, acknowledges] {
                client->readAll();
                if (acknowledges)
                    client->write(QByteArray("\x20\x02\x00\x00", 4)); // CONNACK, accepted
                client->disconnectFromHost();
            });
            connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    MqttLink publisher;
    QSignalSpy connected(&publisher, &MqttLink::connected);
    QCOMPARE(publisher.start({QStringLiteral("127.0.0.1"),
                              broker.serverPort(),
                              {},
                              {},
                              QStringLiteral("t"),
                              QStringLiteral("t/status")}),
             QString());
    // Pauses of 1, 2 and 4 s: no more than four tries in eight seconds,
    // where a broker taken at its word would get eight.
    QTest::qWait(8000);
    QVERIFY2(connects >= 2 && connects <= 4, qPrintable(QString::number(connects)));
    QCOMPARE(connected.isEmpty(), !acknowledges);
}

void TestMqtt::sharingSettingsAreSavedOwnerOnly()
{
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toUtf8());
    SharingSettings settings;
    settings.broker = QStringLiteral("127.0.0.1:1883");
    settings.password = QStringLiteral("secret");
    // Whatever the umask, and over a file others could read.
    const QString path = QDir(home.path()).filePath(SharingSettings::FileName);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    const mode_t umask = ::umask(0);
    const QString saved = settings.save();
    ::umask(umask);
    QCOMPARE(saved, QString());
    QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

namespace {
// The retained messages on the broker at port, as "topic payload" lines,
// once they are `count` or ten seconds have passed (at once for -1).
QStringList retainedOn(quint16 port, int count)
{
    const QDeadlineTimer deadline(10'000);
    QStringList lines;
    do {
        QTest::qWait(100);
        QProcess sub;
        sub.start(QStringLiteral("mosquitto_sub"),
                  {QStringLiteral("-p"), QString::number(port), QStringLiteral("-t"), QStringLiteral("#"),
                   QStringLiteral("--retained-only"), QStringLiteral("-v"), QStringLiteral("-W"), QStringLiteral("1")});
        if (!sub.waitForFinished(2000))
            sub.kill();
        sub.waitForFinished();
        lines = QString::fromUtf8(sub.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    } while (count >= 0 && lines.size() != count && !deadline.hasExpired());
    return lines;
}
// A mosquitto of the test's own on a free loopback port.
struct Broker {
    QProcess process;
    quint16 port = 0;
    static bool available()
    {
        for (const char *tool : {"mosquitto", "mosquitto_sub", "mosquitto_pub"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return false;
        return true;
    }
    bool start()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return false;
        port = probe.serverPort();
        probe.close();
        return startOnPort();
    }
    // Again on the same port, after it was stopped.
    bool startOnPort()
    {
        // Its log would fill a pipe nobody reads while the test waits.
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral("mosquitto"), {QStringLiteral("-p"), QString::number(port)});
        if (!process.waitForStarted())
            return false;
        // Started is not listening yet: a busy machine takes its time.
        for (int tries = 0; tries < 100; ++tries) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(100))
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    void stop()
    {
        process.kill();
        process.waitForFinished();
    }
    // mosquitto_pub with these arguments, on this broker.
    void publish(const QStringList &arguments) const
    {
        QProcess pub;
        pub.start(QStringLiteral("mosquitto_pub"),
                  QStringList{QStringLiteral("-p"), QString::number(port)} + arguments);
        pub.waitForFinished(5000);
    }
    ~Broker() { stop(); }
    // Settings that publish to this broker, with Home Assistant's discovery.
    SharingSettings settings() const
    {
        SharingSettings s;
        s.broker = QStringLiteral("127.0.0.1:%1").arg(port);
        s.discovery = QStringLiteral("homeassistant");
        return s;
    }
};
} // namespace

void TestMqtt::retainedTopicsFollowTheSettings_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("discovery");
    QTest::addColumn<bool>("on");
    QTest::newRow("another topic") << "barn"
                                   << "homeassistant" << true;
    QTest::newRow("another prefix") << "talvor"
                                    << "ha" << true;
    QTest::newRow("discovery off") << "talvor"
                                   << "" << true;
    QTest::newRow("sharing off") << "talvor"
                                 << "homeassistant" << false;
}

void TestMqtt::retainedTopicsFollowTheSettings()
{
    QFETCH(QString, topic);
    QFETCH(QString, discovery);
    QFETCH(bool, on);
    Broker broker;
    if (!broker.available())
        QSKIP("needs mosquitto, mosquitto_sub and mosquitto_pub");
    QVERIFY(broker.start());
    const quint16 port = broker.port;
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toUtf8());

    SharingHub hub;
    SharingSettings before = broker.settings();
    before.topic = QStringLiteral("talvor");
    hub.apply(before);
    hub.reading(57, 50, QDateTime::currentDateTime());
    QCOMPARE(retainedOn(port, 6).size(), 6);

    SharingSettings after = before;
    after.topic = topic;
    after.discovery = discovery;
    if (!on)
        after.broker.clear();
    hub.apply(after);
    if (on)
        hub.reading(58, 50, QDateTime::currentDateTime());
    // Only what the new settings publish is left, under their names.
    const int expected = on ? 4 + (discovery.isEmpty() ? 0 : 2) : 0;
    const QStringList left = retainedOn(port, expected);
    QCOMPARE(left.size(), expected);
    for (const QString &line : left) {
        const QString name = line.section(u' ', 0, 0);
        QVERIFY2(name.startsWith(topic + u'/') || (!discovery.isEmpty() && name.startsWith(discovery + u'/')),
                 qPrintable(line));
    }
}

void TestMqtt::twoCopiesShareABrokerAndHomeAssistantRestarts()
{
    Broker broker;
    if (!broker.available())
        QSKIP("needs mosquitto, mosquitto_sub and mosquitto_pub");
    QVERIFY(broker.start());
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toUtf8());
    const SharingSettings settings = broker.settings();
    // Two copies on one host, each with its own id: a clash would have the
    // broker throw one off for the other again and again.
    SharingHub house, barn;
    QSignalSpy troubles(&house, &SharingHub::problemChanged), barnTroubles(&barn, &SharingHub::problemChanged);
    house.apply(settings);
    barn.apply(settings);
    house.reading(57, 50, QDateTime::currentDateTime());
    barn.reading(41, 50, QDateTime::currentDateTime());
    QStringList topics = retainedOn(broker.port, 12);
    QCOMPARE(topics.size(), 12);
    QTest::qWait(3000);
    QCOMPARE(troubles.count() + barnTroubles.count(), 0);
    QCOMPARE(QSet<QString>(topics.begin(), topics.end()).size(), 12);
    // Home Assistant comes back without its configs and says so: they are sent again.
    const QStringList configs = topics.filter(QStringLiteral("/config "));
    QCOMPARE(configs.size(), 4);
    for (const QString &config : configs)
        broker.publish({QStringLiteral("-r"), QStringLiteral("-n"), QStringLiteral("-t"), config.section(u' ', 0, 0)});
    QCOMPARE(retainedOn(broker.port, 8).size(), 8);
    broker.publish(
        {QStringLiteral("-t"), QStringLiteral("homeassistant/status"), QStringLiteral("-m"), QStringLiteral("online")});
    QCOMPARE(retainedOn(broker.port, 12).size(), 12);
}

// What a broker holds of this copy's state besides the number: a pause and
// the reason a poll failed, and only the topics this folder ever published.
void TestMqtt::pauseReasonAndHostTopicsAtTheBroker()
{
    Broker broker;
    if (!broker.available())
        QSKIP("needs mosquitto, mosquitto_sub and mosquitto_pub");
    QVERIFY(broker.start());
    const QString host = talvor::sharingId(QSysInfo::machineHostName());
    // An older copy elsewhere on this host, from before copies had ids.
    broker.publish({QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("talvor/%1/signal").arg(host),
                    QStringLiteral("-m"), QStringLiteral("44")});
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toUtf8());
    // Written by hand: its keys in the user's order, a comment, no [metrics].
    const QByteArray handWritten =
        "; the barn's broker\n[mqtt]\ntopic=talvor\nbroker=127.0.0.1:" + QByteArray::number(broker.port) + "\n";
    const QString file = QDir(home.path()).filePath(SharingSettings::FileName);
    QFile ini(file);
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(handWritten) == handWritten.size());
    ini.close();
    {
        SharingHub hub;
        hub.apply(SharingSettings::load());
        const QString base = QStringLiteral("talvor/%1").arg(SharingSettings::load().instance);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), handWritten + "\n[instance]\nid=" + SharingSettings::load().instance.toUtf8() + "\n");
        ini.close();
        hub.noReading(QStringLiteral("The modem answered 503 Service Unavailable"), QDateTime::currentDateTime());
        hub.setPaused(QDateTime());
        QStringList held = retainedOn(broker.port, 5);
        QVERIFY2(held.contains(base + QStringLiteral("/reason The modem answered 503 Service Unavailable")),
                 qPrintable(held.join(u'\n')));
        QVERIFY(held.contains(base + QStringLiteral("/paused 1")));
        // A new folder never published under the host's name: the older copy's topic stays.
        QVERIFY(held.contains(QStringLiteral("talvor/%1/signal 44").arg(host)));
        hub.setPaused(std::nullopt);
        hub.reading(57, 50, QDateTime::currentDateTime());
        held = retainedOn(broker.port, 5);
        QVERIFY(held.contains(base + QStringLiteral("/paused 0")));
        QVERIFY2(held.filter(QStringLiteral("/reason")).isEmpty(), qPrintable(held.join(u'\n')));
    }
    // A folder with a record of its own is older than ids: it takes them off.
    QVERIFY(QFile::remove(file));
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(handWritten) == handWritten.size());
    ini.close();
    QFile record(QDir(home.path()).filePath(RecordStore::FileName));
    QVERIFY(record.open(QIODevice::WriteOnly));
    record.close();
    SharingHub older;
    older.apply(SharingSettings::load());
    QTRY_VERIFY_WITH_TIMEOUT(retainedOn(broker.port, 7).filter(QStringLiteral("/signal 44")).isEmpty(), 10000);
}

// Home Assistant's sensor expires after three polls at the set interval,
// whatever the monitor's timer waits now (a back-off, the aim view's pace).
void TestMqtt::expiryFollowsTheSetIntervalOnly()
{
    Broker broker;
    if (!broker.available())
        QSKIP("needs mosquitto, mosquitto_sub and mosquitto_pub");
    QVERIFY(broker.start());
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toUtf8());
    const QByteArray ini =
        "[mqtt]\nbroker=127.0.0.1:" + QByteArray::number(broker.port) + "\ndiscovery=homeassistant\n";
    QFile file(QDir(home.path()).filePath(SharingSettings::FileName));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
    file.close();
    const auto expiry = [&broker] {
        const QStringList configs = retainedOn(broker.port, -1).filter(QStringLiteral("sensor/"));
        const QStringList signal = configs.filter(QStringLiteral("/signal/config"));
        return signal.isEmpty() ? -1
                                : QJsonDocument::fromJson(signal.first().section(u' ', 1).toUtf8())
                                      .object()
                                      .value(QStringLiteral("expire_after"))
                                      .toInt();
    };
    // Each look at the broker takes a second: the wait is counted in time.
    const auto expiryBecomes = [&expiry](int wanted) {
        const QDeadlineTimer deadline(15'000);
        int seen = expiry();
        while (seen != wanted && !deadline.hasExpired())
            seen = expiry();
        return seen;
    };
    talvor::FormState form;
    Monitor monitor(form, home.path());
    // A modem that is never there: every poll fails and backs off.
    QTcpServer gone;
    QVERIFY(gone.listen(QHostAddress::LocalHost));
    const quint16 port = gone.serverPort();
    gone.close();
    monitor.setUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    monitor.setRefreshTenths(200);
    monitor.setAutoCheck(true);
    monitor.start();
    QCOMPARE(expiryBecomes(60), 60);
    monitor.setAimPace(500);
    broker.publish(
        {QStringLiteral("-t"), QStringLiteral("homeassistant/status"), QStringLiteral("-m"), QStringLiteral("online")});
    QTest::qWait(500);
    QCOMPARE(expiry(), 60);
    monitor.setAimPace(std::nullopt);
    monitor.setRefreshTenths(400);
    QCOMPARE(expiryBecomes(120), 120);
}

// A broker that goes away for a while (a restart that forgot everything,
// failed connections meanwhile) gets every retained topic again once back.
void TestMqtt::aBrokerBackAfterFailuresGetsEverythingAgain()
{
    Broker broker;
    if (!broker.available())
        QSKIP("needs mosquitto, mosquitto_sub and mosquitto_pub");
    QVERIFY(broker.start());
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toUtf8());
    SharingHub hub;
    QSignalSpy problems(&hub, &SharingHub::problemChanged);
    const SharingSettings settings = broker.settings();
    hub.apply(settings);
    hub.reading(57, 50, QDateTime::currentDateTime());
    QStringList before = retainedOn(broker.port, 6);
    before.sort();
    QCOMPARE(before.size(), 6);
    broker.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty() && !problems.last().last().toString().isEmpty(), 10000);
    // Tried and refused more than once while it is away.
    QTest::qWait(4000);
    QVERIFY(broker.startOnPort());
    hub.reading(58, 50, QDateTime::currentDateTime());
    QStringList after = retainedOn(broker.port, 6);
    after.replaceInStrings(QRegularExpression(QStringLiteral("/signal 58$")), QStringLiteral("/signal 57"));
    after.sort();
    QCOMPARE(after, before);
    QTRY_VERIFY(problems.last().last().toString().isEmpty());
}

QTEST_GUILESS_MAIN(TestMqtt)
#include "test_mqtt.moc"
