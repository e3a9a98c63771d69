#include "SharingHub.h"

#include "core/program/CommandLine.h"
#include "core/program/ProgramFolder.h"
#include "core/reading/Numbers.h"
#include "monitor/record/RecordStore.h"

#include <QDir>
#include <QSysInfo>

namespace {
const QString MetricsPart = QStringLiteral("metrics");
const QString MqttPart = QStringLiteral("MQTT");
// How long a broker has to say yes or no before that is a problem.
constexpr int BrokerPatienceMs = 10'000;
} // namespace

SharingHub::SharingHub(QObject *parent)
    : QObject(parent)
    , m_hostId(talvor::sharingId(QSysInfo::machineHostName()))
{
    connect(&m_mqtt, &MqttLink::problem, this, [this](const QString &text) {
        m_brokerPatience.stop();
        report(MqttPart, text);
        emit brokerAnswered();
    });
    connect(&m_mqtt, &MqttLink::connected, this, [this] {
        m_brokerPatience.stop();
        report(MqttPart, {});
        if (std::exchange(m_clearHostTopics, false)) {
            const QString old = topicRoot() + u'/' + m_hostId;
            // What copies published before they had ids.
            QStringList topics{old + QStringLiteral("/signal"), old + QStringLiteral("/status"),
                               old + QStringLiteral("/stale")};
            if (!m_settings.discovery.isEmpty())
                topics << QStringLiteral("%1/sensor/talvor_%2/signal/config").arg(m_settings.discovery, m_hostId)
                       << QStringLiteral("%1/binary_sensor/talvor_%2/modem/config").arg(m_settings.discovery, m_hostId);
            m_mqtt.clear(topics);
        }
        publishDiscovery();
        emit brokerAnswered();
    });
    // Home Assistant forgets what it was told when it restarts; it says so.
    connect(&m_mqtt, &MqttLink::message, this, [this](const QString &topic, const QByteArray &payload) {
        if (topic == m_settings.discovery + QStringLiteral("/status") && payload == "online")
            publishDiscovery();
        // A value removed while Talvor was not running still has its sensor.
        const QString name = talvor::valueOfConfigTopic(m_settings.discovery, m_settings.instance, topic);
        const bool current = std::any_of(m_state.values.begin(), m_state.values.end(),
                                         [&name](const talvor::NamedValue &v) { return v.name == name; });
        if (!name.isEmpty() && !payload.isEmpty() && !current)
            clearValue(name);
    });
    m_brokerPatience.setSingleShot(true);
    m_brokerPatience.setInterval(BrokerPatienceMs);
    connect(&m_brokerPatience, &QTimer::timeout, this, [this] {
        report(MqttPart,
               QStringLiteral("the broker did not answer within %1 s; Talvor goes on trying")
                   .arg(BrokerPatienceMs / 1000));
        emit brokerAnswered();
    });
}

SharingHub::~SharingHub()
{
    if (m_mqtt.isConnected())
        m_mqtt.publish(base() + QStringLiteral("/status"), "offline", true);
}

QString SharingHub::topicRoot() const
{
    return m_settings.topic.isEmpty() ? QStringLiteral("talvor") : m_settings.topic;
}

QString SharingHub::base() const
{
    return topicRoot() + u'/' + m_settings.instance;
}

SharingSettings SharingHub::withInstance(SharingSettings settings)
{
    if (settings.broker.isEmpty() || !settings.instance.isEmpty())
        return settings;
    settings.instance = SharingSettings::newInstanceId();
    // A folder used before copies had ids (its record is older than ids) may
    // have published under the host's name: those topics go at the next
    // connection. A new folder never did, and leaves another copy's alone.
    m_clearHostTopics = talvor::programFileExists(RecordStore::FileName);
    if (const QString error = settings.saveInstance(); !error.isEmpty())
        emit notice(QStringLiteral("Sharing: %1; this copy's MQTT id %2 lasts until Talvor ends.")
                        .arg(error, settings.instance));
    return settings;
}

void SharingHub::report(const QString &part, const QString &text)
{
    if (m_problems.value(part) == text)
        return;
    if (text.isEmpty())
        m_problems.remove(part);
    else
        m_problems.insert(part, text);
    emit problemChanged(part, text.isEmpty() ? text : QStringLiteral("Sharing (%1): %2").arg(part, text));
}

void SharingHub::apply(const SharingSettings &given)
{
    const SharingSettings settings = withInstance(given);
    // Topics the new settings do not publish, on this broker, are taken off it.
    if (settings.broker != m_settings.broker || settings.topic != m_settings.topic
        || settings.discovery != m_settings.discovery)
        m_mqtt.retract();
    else if (m_mqtt.isConnected())
        m_mqtt.publish(base() + QStringLiteral("/status"), "offline", true);
    m_settings = settings;
    for (const QString &part : m_problems.keys())
        report(part, {});
    if (!settings.loadNote.isEmpty())
        emit notice(settings.loadNote);
    m_metrics.stop();
    if (!settings.listen.isEmpty()) {
        const auto at = talvor::parseEndpoint(settings.listen);
        const QString error = at
            ? m_metrics.start(at->host, at->port)
            : QStringLiteral("'%1' is not an address and port such as 127.0.0.1:9771").arg(settings.listen);
        report(MetricsPart, error);
    }
    m_mqtt.stop();
    m_brokerPatience.stop();
    if (!settings.broker.isEmpty()) {
        const auto at = talvor::parseEndpoint(
            settings.broker.contains(u':') ? settings.broker : settings.broker + QStringLiteral(":1883"));
        const QString error = at
            ? m_mqtt.start({at->host, at->port, settings.user, settings.password,
                            QStringLiteral("talvor-") + settings.instance, base() + QStringLiteral("/status")})
            : QStringLiteral("'%1' is not a broker such as 127.0.0.1:1883").arg(settings.broker);
        report(MqttPart, error);
        if (error.isEmpty())
            m_brokerPatience.start();
        if (error.isEmpty() && !settings.discovery.isEmpty()) {
            m_mqtt.subscribe(settings.discovery + QStringLiteral("/status"));
            m_mqtt.subscribe(talvor::valueConfigTopic(settings.discovery, settings.instance, QStringLiteral("+"))
                                 .replace(QStringLiteral("value_+"), QStringLiteral("+")));
        }
    }
    changed();
}

void SharingHub::publishDiscovery()
{
    m_mqtt.publish(base() + QStringLiteral("/status"), "online", true);
    m_mqtt.publish(base() + QStringLiteral("/stale"), m_state.stale ? "1" : "0", true);
    m_mqtt.publish(base() + QStringLiteral("/paused"), m_state.paused ? "1" : "0", true);
    m_mqtt.publish(base() + QStringLiteral("/reason"), m_state.reason.toUtf8(), true);
    if (m_settings.discovery.isEmpty())
        return;
    const talvor::DiscoveryDevice device{m_settings.instance,
                                         QStringLiteral("Talvor %1").arg(QDir(talvor::programFolder()).dirName()),
                                         talvor::version(), m_pollSeconds};
    for (const auto &d : {talvor::signalDiscovery(m_settings.discovery, topicRoot(), device),
                          talvor::modemDiscovery(m_settings.discovery, topicRoot(), device)})
        m_mqtt.publish(d.topic, d.config, true);
    for (const talvor::NamedValue &v : m_state.values) {
        const talvor::Discovery d = talvor::valueDiscovery(m_settings.discovery, topicRoot(), device, v);
        m_mqtt.publish(d.topic, d.config, true);
    }
}

void SharingHub::reading(double value, double threshold, const QDateTime &at)
{
    m_state.reading = value;
    m_state.readingAt = at;
    m_state.threshold = threshold;
    if (!std::exchange(m_state.reason, {}).isEmpty())
        m_mqtt.publish(base() + QStringLiteral("/reason"), {}, true);
    ++m_state.readings;
    m_mqtt.publish(base() + QStringLiteral("/signal"), talvor::shortestText(value).toLatin1(), true);
    changed();
}

void SharingHub::noReading(const QString &reason, const QDateTime &)
{
    if (std::exchange(m_state.reason, reason) != reason)
        m_mqtt.publish(base() + QStringLiteral("/reason"), reason.toUtf8(), true);
    ++m_state.noReadings;
    changed();
}

void SharingHub::setValues(const QList<talvor::ValueRule> &rules)
{
    const QList<talvor::NamedValue> before = std::exchange(m_state.values, talvor::missingValues(rules, {}));
    for (const talvor::NamedValue &old : before)
        if (std::none_of(rules.begin(), rules.end(), [&old](const talvor::ValueRule &r) { return r.name == old.name; }))
            clearValue(old.name);
    if (m_mqtt.isConnected())
        publishDiscovery();
    changed();
}

void SharingHub::clearValue(const QString &name)
{
    QStringList topics{talvor::valueTopic(base(), name)};
    if (!m_settings.discovery.isEmpty())
        topics << talvor::valueConfigTopic(m_settings.discovery, m_settings.instance, name);
    m_mqtt.clear(topics);
}

void SharingHub::values(const QList<talvor::NamedValue> &values, const QDateTime &)
{
    m_state.values = values;
    for (const talvor::NamedValue &v : values)
        if (v.value)
            m_mqtt.publish(talvor::valueTopic(base(), v.name), talvor::shortestText(*v.value).toLatin1(), true);
    changed();
}

void SharingHub::setThreshold(double threshold)
{
    m_state.threshold = threshold;
    changed();
}

void SharingHub::setPollSeconds(int seconds)
{
    if (std::exchange(m_pollSeconds, seconds) != seconds && m_mqtt.isConnected())
        publishDiscovery();
}

void SharingHub::staleChanged(bool stale)
{
    m_state.stale = stale;
    m_mqtt.publish(base() + QStringLiteral("/stale"), stale ? "1" : "0", true);
    changed();
}

void SharingHub::setProblems(const QStringList &problems)
{
    m_state.problems = problems;
    changed();
}

void SharingHub::setAimUrl(const QString &url)
{
    m_state.aimUrl = url;
    changed();
}

void SharingHub::setPaused(std::optional<QDateTime> until)
{
    m_state.paused = std::move(until);
    m_mqtt.publish(base() + QStringLiteral("/paused"), m_state.paused ? "1" : "0", true);
    changed();
}

void SharingHub::changed()
{
    if (m_metrics.isListening())
        m_metrics.setText(talvor::metricsText(m_state, talvor::version()));
    emit statusChanged(talvor::statusJson(m_state));
}
