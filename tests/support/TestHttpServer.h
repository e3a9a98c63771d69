#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// A loopback HTTP server for tests. Each connection's request is read up to its
// blank line, then handed to the current behaviour, which answers (or not) on
// the socket however the test needs.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    using Behaviour = std::function<void(QTcpSocket *socket, const QByteArray &request)>;

    explicit TestHttpServer(QObject *parent = nullptr,
                            const QHostAddress &address = QHostAddress(QHostAddress::LocalHost));
    ~TestHttpServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QString host() const { return m_server.serverAddress().toString(); }
    QString url(const QString &path = QStringLiteral("/stats/summary/summary 1 .txt")) const;
    int requestCount() const { return m_requests.size(); }
    const QList<QByteArray> &requests() const { return m_requests; }
    void setBehaviour(Behaviour behaviour) { m_behaviour = std::move(behaviour); }

    // Common behaviours.
    static Behaviour reply(const QByteArray &body, int status = 200);
    static Behaviour silent();      // accepts, reads, never answers
    static Behaviour endlessBody(); // 200, then bytes for as long as the client reads
    // head, then unit again and again at full speed for as long as the client reads
    static Behaviour endless(const QByteArray &head, const QByteArray &unit);
    static Behaviour delayedReply(const QByteArray &body, int delayMs);
    static Behaviour drip(const QByteArray &body, int msPerByte); // one byte at a time
    static Behaviour raw(const QByteArray &bytes);                // whatever bytes, then close
    static Behaviour resetAfter(const QByteArray &bytes);         // bytes, then a reset
    static Behaviour redirectLoop();
    static Behaviour redirectTo(const QByteArray &location);
    // The body for the right user and password, by HTTP Basic or Digest
    // (MD5, qop=auth); 401 with the challenge otherwise.
    static Behaviour behindLogin(const QByteArray &body, const QByteArray &user, const QByteArray &password,
                                 bool digest);

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();

private:
    void onNewConnection();

    QTcpServer m_server;
    Behaviour m_behaviour;
    QList<QByteArray> m_requests;
    QList<QPointer<QTcpSocket>> m_sockets;
};

// The modem's status page around a reading, as the default search text finds it.
QByteArray modemPage(const QByteArray &afterSearchText);
