#include "MqttLink.h"

#include "core/program/LoadedLibrary.h"
#include "core/program/NotifierRelease.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <mosquitto.h>
#include <mutex>
#include <netdb.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

// libmosquitto, and the TLS library under it, are loaded the first time a
// broker is set: most users never share over MQTT and need not carry them.
// clang-format off
#define TALVOR_MOSQUITTO_FUNCTIONS \
    TALVOR_MOSQUITTO(lib_init) \
    TALVOR_MOSQUITTO(destroy) \
    TALVOR_MOSQUITTO(connect_callback_set) \
    TALVOR_MOSQUITTO(disconnect_callback_set) \
    TALVOR_MOSQUITTO(username_pw_set) \
    TALVOR_MOSQUITTO(will_set) \
    TALVOR_MOSQUITTO(connect_async) \
    TALVOR_MOSQUITTO(disconnect) \
    TALVOR_MOSQUITTO(loop_read) \
    TALVOR_MOSQUITTO(loop_write) \
    TALVOR_MOSQUITTO(loop_misc) \
    TALVOR_MOSQUITTO(socket) \
    TALVOR_MOSQUITTO(want_write) \
    TALVOR_MOSQUITTO(publish) \
    TALVOR_MOSQUITTO(subscribe) \
    TALVOR_MOSQUITTO(message_callback_set) \
    TALVOR_MOSQUITTO(strerror) \
    TALVOR_MOSQUITTO(connack_string)
// clang-format on

struct MosquittoApi {
    decltype(&::mosquitto_new) create = nullptr;
#define TALVOR_MOSQUITTO(name) decltype(&::mosquitto_##name) name = nullptr;
    TALVOR_MOSQUITTO_FUNCTIONS
#undef TALVOR_MOSQUITTO
};

namespace {

const talvor::LoadedApi<MosquittoApi> &loadedMosquitto()
{
    static const auto loaded = [] {
        talvor::LoadedLibrary library(QStringLiteral(TALVOR_MOSQUITTO_LIBRARY));
        MosquittoApi api;
        library.resolve(api.create, "mosquitto_new");
#define TALVOR_MOSQUITTO(name) library.resolve(api.name, "mosquitto_" #name);
        TALVOR_MOSQUITTO_FUNCTIONS
#undef TALVOR_MOSQUITTO
        auto result = library.result(api);
        if (result.api && result.api->lib_init() != MOSQ_ERR_SUCCESS)
            result = {std::nullopt, QStringLiteral("it could not start")};
        return result;
    }();
    return loaded;
}

// A connection that held this long was a real one: the next failure starts
// the pauses from the shortest again. One dropped sooner keeps them growing.
constexpr qint64 StableMs = 60'000;

QString lookUp(const QString &host, QString *error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const int result = ::getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found);
    if (result != 0) {
        *error = QString::fromLocal8Bit(::gai_strerror(result));
        return {};
    }
    char numeric[NI_MAXHOST] = {};
    const int named =
        ::getnameinfo(found->ai_addr, found->ai_addrlen, numeric, sizeof numeric, nullptr, 0, NI_NUMERICHOST);
    ::freeaddrinfo(found);
    if (named != 0) {
        *error = QString::fromLocal8Bit(::gai_strerror(named));
        return {};
    }
    return QString::fromLatin1(numeric);
}

} // namespace

// Closing a socket whose answers are still unread resets the connection, and
// the broker then throws away what it had not read yet: the last messages
// and the goodbye. So a copy of the socket stays open with its sending side
// shut, reading and dropping the broker's answers until the broker closes
// its end, or a few seconds have passed. Until then the next connection
// waits: a broker that saw the same client id again first would drop the old
// one, unread messages and all, and send its will.
class MqttLink::Farewell : public QObject {
public:
    // Takes the copy before libmosquitto closes the socket.
    explicit Farewell(int fd)
        : m_fd(fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0))
    {
    }
    ~Farewell() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // False when there is nothing to wait for.
    bool begin(std::function<void()> finished)
    {
        if (m_fd < 0 || ::shutdown(m_fd, SHUT_WR) != 0)
            return false;
        m_finished = std::move(finished);
        m_read = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_read.get(), &QSocketNotifier::activated, this, [this] {
            char dropped[512];
            const ssize_t got = ::recv(m_fd, dropped, sizeof dropped, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                finish();
        });
        QTimer::singleShot(3000, this, &Farewell::finish);
        return true;
    }

private:
    void finish()
    {
        if (!m_finished)
            return;
        talvor::releaseNotifier(m_read);
        std::exchange(m_finished, nullptr)();
    }
    int m_fd;
    std::unique_ptr<QSocketNotifier> m_read;
    std::function<void()> m_finished;
};

// A look-up's thread tells its publisher the answer, if the publisher still
// wants it: stop() and the destructor clear `owner` under the lock.
struct MqttLink::Lookup {
    std::mutex lock;
    MqttLink *owner = nullptr;
};

// libmosquitto's handle and the callbacks it calls back, on the GUI thread,
// from inside mosquitto_loop_read and mosquitto_loop_write.
struct MqttLink::Client {
    const MosquittoApi &api;
    mosquitto *handle = nullptr;
    ~Client()
    {
        if (handle)
            api.destroy(handle);
    }
    static void connected(mosquitto *, void *self, int result) { static_cast<MqttLink *>(self)->onConnect(result); }
    static void disconnected(mosquitto *, void *self, int reason)
    {
        static_cast<MqttLink *>(self)->onDisconnect(reason);
    }
    static void received(mosquitto *, void *self, const mosquitto_message *m)
    {
        emit static_cast<MqttLink *>(self)->message(
            QString::fromUtf8(m->topic),
            QByteArray(static_cast<const char *>(m->payload), m->payload ? m->payloadlen : 0));
    }
};

MqttLink::MqttLink(QObject *parent)
    : QObject(parent)
    , m_resolve(lookUp)
{
    m_misc.setInterval(1000);
    connect(&m_misc, &QTimer::timeout, this, &MqttLink::service);
    m_reconnect.setSingleShot(true);
    connect(&m_reconnect, &QTimer::timeout, this, &MqttLink::lookUpAndConnect);
}

MqttLink::~MqttLink()
{
    stop();
}

QString MqttLink::start(const Options &options)
{
    stop();
    const auto &loaded = loadedMosquitto();
    if (!loaded.api)
        return QStringLiteral("libmosquitto, which speaks MQTT, could not be loaded: %1").arg(loaded.problem);
    m_api = &*loaded.api;
    m_client = std::make_unique<Client>(Client{*m_api});
    m_client->handle = m_api->create(options.clientId.toUtf8().constData(), true, this);
    if (!m_client->handle) {
        m_client.reset();
        return QStringLiteral("the MQTT client cannot be made");
    }
    mosquitto *h = m_client->handle;
    m_api->connect_callback_set(h, &Client::connected);
    m_api->disconnect_callback_set(h, &Client::disconnected);
    m_api->message_callback_set(h, &Client::received);
    const QByteArray offline = "offline";
    const int credentials = options.user.isEmpty()
        ? MOSQ_ERR_SUCCESS
        : m_api->username_pw_set(h, options.user.toUtf8().constData(),
                                 options.password.isEmpty() ? nullptr : options.password.toUtf8().constData());
    const int will = credentials == MOSQ_ERR_SUCCESS
        ? m_api->will_set(h, options.willTopic.toUtf8().constData(), int(offline.size()), offline.constData(), 1, true)
        : credentials;
    if (will != MOSQ_ERR_SUCCESS) {
        stop();
        return QStringLiteral("the user, password or topic cannot be used (%1)")
            .arg(QString::fromLocal8Bit(m_api->strerror(will)));
    }
    m_backoffSeconds = 1;
    m_host = options.host;
    m_port = options.port;
    m_misc.start();
    lookUpAndConnect();
    return {};
}

void MqttLink::lookUpAndConnect()
{
    abandonLookup();
    if (!m_client || m_farewell)
        return;
    m_lookup = std::make_shared<Lookup>();
    m_lookup->owner = this;
    std::thread([lookup = m_lookup, resolve = m_resolve, host = m_host] {
        QString error;
        const QString address = resolve(host, &error);
        const std::lock_guard<std::mutex> hold(lookup->lock);
        if (lookup->owner)
            QMetaObject::invokeMethod(
                lookup->owner, [owner = lookup->owner, address, error] { owner->connectTo(address, error); },
                Qt::QueuedConnection);
    }).detach();
}

void MqttLink::farewellDone()
{
    // Called from inside the farewell's own notifier.
    m_farewell.release()->deleteLater();
    lookUpAndConnect();
}

void MqttLink::abandonLookup()
{
    if (!m_lookup)
        return;
    const std::lock_guard<std::mutex> hold(m_lookup->lock);
    m_lookup->owner = nullptr;
    m_lookup.reset();
}

void MqttLink::connectTo(const QString &address, const QString &error)
{
    m_lookup.reset();
    if (!m_client)
        return;
    if (address.isEmpty()) {
        emit problem(QStringLiteral("MQTT broker %1 cannot be found (%2); trying again").arg(m_host, error));
        scheduleReconnect();
        return;
    }
    const int result = m_api->connect_async(m_client->handle, address.toUtf8().constData(), m_port, 30);
    if (result != MOSQ_ERR_SUCCESS) {
        emit problem(QStringLiteral("MQTT broker %1:%2 does not answer (%3); trying again")
                         .arg(m_host)
                         .arg(m_port)
                         .arg(QString::fromLocal8Bit(m_api->strerror(result))));
        scheduleReconnect();
        return;
    }
    watchSocket();
}

void MqttLink::stop()
{
    abandonLookup();
    m_reconnect.stop();
    m_misc.stop();
    if (m_client && m_connected) {
        // What waits to be sent (an offline status, topics taken off) goes
        // out before the goodbye: on a connected socket that is at once.
        // A broker that takes nothing more is not waited for.
        mosquitto *h = m_client->handle;
        const auto flush = [this, h] {
            for (int packets = 0; packets < 64 && m_api->want_write(h); ++packets)
                if (m_api->loop_write(h, 1) != MOSQ_ERR_SUCCESS)
                    break;
        };
        flush();
        auto farewell = std::make_unique<Farewell>(m_api->socket(h));
        if (m_api->disconnect(h) == MOSQ_ERR_SUCCESS)
            flush();
        if (farewell->begin([this] { farewellDone(); }))
            m_farewell = std::move(farewell);
    }
    m_connected = false;
    talvor::releaseNotifier(m_read);
    talvor::releaseNotifier(m_write);
    m_client.reset();
    // A new start says its own things; the old ones are never sent again.
    m_retained.clear();
    m_subscriptions.clear();
}

void MqttLink::watchSocket()
{
    const int fd = m_client ? m_api->socket(m_client->handle) : -1;
    if (fd < 0 || (m_read && m_read->socket() != fd)) {
        talvor::releaseNotifier(m_read);
        talvor::releaseNotifier(m_write);
    }
    if (fd < 0)
        return;
    if (!m_read) {
        m_read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(m_read.get(), &QSocketNotifier::activated, this, [this] {
            if (m_client)
                m_api->loop_read(m_client->handle, 1);
            watchSocket();
        });
        m_write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(m_write.get(), &QSocketNotifier::activated, this, [this] {
            if (m_client)
                m_api->loop_write(m_client->handle, 1);
            watchSocket();
        });
    }
    m_write->setEnabled(m_client && m_api->want_write(m_client->handle));
}

void MqttLink::service()
{
    if (!m_client)
        return;
    m_api->loop_misc(m_client->handle);
    watchSocket();
}

void MqttLink::scheduleReconnect()
{
    m_reconnect.start(m_backoffSeconds * 1000);
    m_backoffSeconds = std::min(m_backoffSeconds * 2, 60);
}

void MqttLink::onConnect(int result)
{
    if (result != 0) {
        emit problem(QStringLiteral("MQTT broker refused the connection: %1")
                         .arg(QString::fromLocal8Bit(m_api->connack_string(result))));
        return;
    }
    m_connected = true;
    m_connectedSince.start();
    for (const auto &[topic, payload] : std::as_const(m_retained))
        send(topic, payload, true);
    for (const QString &topic : std::as_const(m_subscriptions))
        m_api->subscribe(m_client->handle, nullptr, topic.toUtf8().constData(), 1);
    emit connected();
}

void MqttLink::onDisconnect(int reason)
{
    const bool wasConnected = m_connected;
    m_connected = false;
    if (wasConnected && m_connectedSince.hasExpired(StableMs))
        m_backoffSeconds = 1;
    talvor::releaseNotifier(m_read);
    talvor::releaseNotifier(m_write);
    if (!m_client)
        return;
    // Refused or lost: the broker is tried again after a growing pause.
    if (reason != 0 || !wasConnected) {
        if (wasConnected)
            emit problem(QStringLiteral("MQTT broker connection lost; trying again"));
        scheduleReconnect();
    }
}

void MqttLink::retract()
{
    QStringList topics;
    for (const auto &entry : std::as_const(m_retained))
        topics << entry.first;
    m_retained.clear();
    clear(topics);
}

void MqttLink::clear(const QStringList &topics)
{
    for (const QString &topic : topics)
        send(topic, {}, true);
}

void MqttLink::subscribe(const QString &topic)
{
    if (m_subscriptions.contains(topic))
        return;
    m_subscriptions.append(topic);
    if (m_client && m_connected) {
        m_api->subscribe(m_client->handle, nullptr, topic.toUtf8().constData(), 1);
        watchSocket();
    }
}

void MqttLink::publish(const QString &topic, const QByteArray &payload, bool retained)
{
    if (retained) {
        auto found = std::find_if(m_retained.begin(), m_retained.end(),
                                  [&topic](const auto &entry) { return entry.first == topic; });
        if (found == m_retained.end())
            m_retained.append({topic, payload});
        else
            found->second = payload;
    }
    send(topic, payload, retained);
}

void MqttLink::send(const QString &topic, const QByteArray &payload, bool retained)
{
    if (!m_client || !m_connected)
        return;
    m_api->publish(m_client->handle, nullptr, topic.toUtf8().constData(), int(payload.size()), payload.constData(), 1,
                   retained);
    watchSocket();
}
