#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QSocketNotifier;
struct MosquittoApi;

// A connection to an MQTT broker over libmosquitto, driven from the Qt event
// loop as the transfer drives curl: its socket under notifiers, a timer for
// keep-alives. Publishing never waits; a broker that goes away is tried
// again with growing pauses, and what is retained is sent again on return.
class MqttPublisher : public QObject {
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

    explicit MqttPublisher(QObject *parent = nullptr);
    ~MqttPublisher() override;

    // Starts connecting; an error text when the options cannot be used.
    QString start(const Options &options);
    void stop();
    bool isConnected() const { return m_connected; }
    // Retained messages are kept here too and published again after a reconnect.
    void publish(const QString &topic, const QByteArray &payload, bool retained);

    struct Client;

signals:
    void connected();
    // In words, for the page view and the dialog.
    void problem(const QString &text);

private:
    friend struct Client;
    void watchSocket();
    void service();
    void scheduleReconnect();
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
    QList<std::pair<QString, QByteArray>> m_retained;
};
