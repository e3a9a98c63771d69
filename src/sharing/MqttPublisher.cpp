#include "MqttPublisher.h"

#include <QSocketNotifier>

#include <mosquitto.h>

namespace {

// Stops watching a socket whose notifier may be the one running now.
void release(std::unique_ptr<QSocketNotifier> &notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

} // namespace

// libmosquitto's handle and the callbacks it calls back, on the GUI thread,
// from inside mosquitto_loop_read and mosquitto_loop_write.
struct MqttPublisher::Client {
    mosquitto *handle = nullptr;
    ~Client()
    {
        if (handle)
            mosquitto_destroy(handle);
    }
    static void connected(mosquitto *, void *self, int result)
    {
        static_cast<MqttPublisher *>(self)->onConnect(result);
    }
    static void disconnected(mosquitto *, void *self, int reason)
    {
        static_cast<MqttPublisher *>(self)->onDisconnect(reason);
    }
};

MqttPublisher::MqttPublisher(QObject *parent)
    : QObject(parent)
{
    static const int initialised = mosquitto_lib_init();
    Q_UNUSED(initialised);
    m_misc.setInterval(1000);
    connect(&m_misc, &QTimer::timeout, this, &MqttPublisher::service);
    m_reconnect.setSingleShot(true);
    connect(&m_reconnect, &QTimer::timeout, this, [this] {
        if (!m_client)
            return;
        if (mosquitto_reconnect_async(m_client->handle) == MOSQ_ERR_SUCCESS)
            watchSocket();
        else
            scheduleReconnect();
    });
}

MqttPublisher::~MqttPublisher()
{
    stop();
}

QString MqttPublisher::start(const Options &options)
{
    stop();
    m_client = std::make_unique<Client>();
    m_client->handle = mosquitto_new(options.clientId.toUtf8().constData(), true, this);
    if (!m_client->handle) {
        m_client.reset();
        return QStringLiteral("the MQTT client cannot be made");
    }
    mosquitto *h = m_client->handle;
    mosquitto_connect_callback_set(h, &Client::connected);
    mosquitto_disconnect_callback_set(h, &Client::disconnected);
    if (!options.user.isEmpty())
        mosquitto_username_pw_set(h, options.user.toUtf8().constData(),
                                  options.password.isEmpty() ? nullptr : options.password.toUtf8().constData());
    const QByteArray offline = "offline";
    mosquitto_will_set(h, options.willTopic.toUtf8().constData(), int(offline.size()), offline.constData(), 1, true);
    m_backoffSeconds = 1;
    m_misc.start();
    const int result = mosquitto_connect_async(h, options.host.toUtf8().constData(), options.port, 30);
    if (result == MOSQ_ERR_INVAL) {
        stop();
        return QStringLiteral("'%1' is not a broker address").arg(options.host);
    }
    if (result != MOSQ_ERR_SUCCESS) {
        emit problem(QStringLiteral("MQTT broker %1:%2 does not answer (%3); trying again")
                         .arg(options.host)
                         .arg(options.port)
                         .arg(QString::fromLocal8Bit(mosquitto_strerror(result))));
        scheduleReconnect();
        return {};
    }
    watchSocket();
    return {};
}

void MqttPublisher::stop()
{
    m_reconnect.stop();
    m_misc.stop();
    if (m_client && m_connected) {
        mosquitto_disconnect(m_client->handle);
        mosquitto_loop_write(m_client->handle, 1);
    }
    m_connected = false;
    release(m_read);
    release(m_write);
    m_client.reset();
}

void MqttPublisher::watchSocket()
{
    const int fd = m_client ? mosquitto_socket(m_client->handle) : -1;
    if (fd < 0 || (m_read && m_read->socket() != fd)) {
        release(m_read);
        release(m_write);
    }
    if (fd < 0)
        return;
    if (!m_read) {
        m_read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(m_read.get(), &QSocketNotifier::activated, this, [this] {
            if (m_client)
                mosquitto_loop_read(m_client->handle, 1);
            watchSocket();
        });
        m_write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(m_write.get(), &QSocketNotifier::activated, this, [this] {
            if (m_client)
                mosquitto_loop_write(m_client->handle, 1);
            watchSocket();
        });
    }
    m_write->setEnabled(m_client && mosquitto_want_write(m_client->handle));
}

void MqttPublisher::service()
{
    if (!m_client)
        return;
    mosquitto_loop_misc(m_client->handle);
    watchSocket();
}

void MqttPublisher::scheduleReconnect()
{
    m_reconnect.start(m_backoffSeconds * 1000);
    m_backoffSeconds = std::min(m_backoffSeconds * 2, 60);
}

void MqttPublisher::onConnect(int result)
{
    if (result != 0) {
        emit problem(QStringLiteral("MQTT broker refused the connection: %1")
                         .arg(QString::fromLocal8Bit(mosquitto_connack_string(result))));
        return;
    }
    m_connected = true;
    m_backoffSeconds = 1;
    for (const auto &[topic, payload] : std::as_const(m_retained))
        mosquitto_publish(m_client->handle, nullptr, topic.toUtf8().constData(), int(payload.size()),
                          payload.constData(), 1, true);
    emit connected();
}

void MqttPublisher::onDisconnect(int reason)
{
    const bool wasConnected = m_connected;
    m_connected = false;
    release(m_read);
    release(m_write);
    if (!m_client)
        return;
    // Refused or lost: the broker is tried again after a growing pause.
    if (reason != 0 || !wasConnected) {
        if (wasConnected)
            emit problem(QStringLiteral("MQTT broker connection lost; trying again"));
        scheduleReconnect();
    }
}

void MqttPublisher::publish(const QString &topic, const QByteArray &payload, bool retained)
{
    if (retained) {
        auto found = std::find_if(m_retained.begin(), m_retained.end(),
                                  [&topic](const auto &entry) { return entry.first == topic; });
        if (found == m_retained.end())
            m_retained.append({topic, payload});
        else
            found->second = payload;
    }
    if (!m_client || !m_connected)
        return;
    mosquitto_publish(m_client->handle, nullptr, topic.toUtf8().constData(), int(payload.size()), payload.constData(),
                      1, retained);
    watchSocket();
}
