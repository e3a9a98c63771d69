#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QSocketNotifier;
struct MosquittoApi;

// A connection to an MQTT broker over libmosquitto, both ways (it publishes
// the readings and hears Home Assistant come back), driven from the Qt event
// loop as the transfer drives curl: its socket under notifiers, a timer for
// keep-alives. Publishing never waits; a broker that goes away is tried
// again with growing pauses, and what is retained is sent again on return.
class MqttLink : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString host;
        quint16 port = 1883;
        QString user;
        QString password;
        QString clientId;
        QString willTopic; // gets "offline", retained, when the link dies
    };

    // The broker's name to a numeric address, or empty with the reason in
    // `error`. It runs on a thread of its own: a name server that never
    // answers holds up nobody.
    using Resolver = std::function<QString(const QString &host, QString *error)>;

    explicit MqttLink(QObject *parent = nullptr);
    ~MqttLink() override;

    // Starts connecting; an error text when the options cannot be used.
    QString start(const Options &options);
    void stop();
    // Takes every retained topic off the broker (an empty retained message
    // each) and forgets them: what the settings no longer publish must not
    // linger for a later subscriber or be sent again after a reconnect.
    void retract();
    bool isConnected() const { return m_connected; }
    // Started, and the broker has not said yes yet.
    bool isStarting() const { return m_client && !m_connected; }
    // Tests put a slow or failing name server in place.
    void setResolver(Resolver resolver) { m_resolve = std::move(resolver); }
    // Retained messages are kept here too and published again after a reconnect.
    void publish(const QString &topic, const QByteArray &payload, bool retained);
    // Empties retained topics this copy no longer keeps (nor remembers).
    void clear(const QStringList &topics);
    // Subscribed now and again on every connection; what comes is message().
    void subscribe(const QString &topic);

    struct Client;

signals:
    void connected();
    // In words, for the page view and the dialog.
    void problem(const QString &text);
    void message(const QString &topic, const QByteArray &payload);

private:
    friend struct Client;
    void watchSocket();
    // Sends now if connected; nothing is kept for a reconnection.
    void send(const QString &topic, const QByteArray &payload, bool retained);
    void service();
    void scheduleReconnect();
    // Looks the broker's name up, then connects to what it gave.
    void lookUpAndConnect();
    void connectTo(const QString &address, const QString &error);
    void abandonLookup();
    // The last connection is closed; the next may begin.
    void farewellDone();
    void onConnect(int result);
    void onDisconnect(int reason);

    const MosquittoApi *m_api = nullptr;
    std::unique_ptr<Client> m_client;
    std::unique_ptr<QSocketNotifier> m_read;
    std::unique_ptr<QSocketNotifier> m_write;
    QTimer m_misc;
    QTimer m_reconnect;
    int m_backoffSeconds = 1;
    bool m_connected = false;
    QElapsedTimer m_connectedSince;
    QString m_host;
    quint16 m_port = 0;
    Resolver m_resolve;
    struct Lookup;
    std::shared_ptr<Lookup> m_lookup; // the one under way, shared with its thread
    class Farewell;
    std::unique_ptr<Farewell> m_farewell; // the last connection, closing
    QList<std::pair<QString, QByteArray>> m_retained;
    QStringList m_subscriptions;
};
