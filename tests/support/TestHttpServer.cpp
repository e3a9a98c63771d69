#include "TestHttpServer.h"

#include <QHostAddress>
#include <QTimer>

#include <memory>
#include <sys/socket.h>

TestHttpServer::TestHttpServer(QObject *parent, const QHostAddress &address)
    : QObject(parent)
    , m_behaviour(reply("hello\r\n"))
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
    if (!m_server.listen(address, 0))
        qFatal("test server cannot listen on loopback");
}

TestHttpServer::~TestHttpServer()
{
    for (const auto &socket : m_sockets) {
        if (socket)
            socket->abort();
    }
}

QString TestHttpServer::url(const QString &path) const
{
    return QStringLiteral("http://%1:%2%3").arg(host()).arg(port()).arg(path);
}

void TestHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_sockets.append(socket);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
            const QByteArray request = buffer->left(end + 4);
            m_requests.append(request);
            m_behaviour(socket, request);
        });
    }
}

TestHttpServer::Behaviour TestHttpServer::reply(const QByteArray &body, int status)
{
    return [body, status](QTcpSocket *socket, const QByteArray &) {
        socket->write("HTTP/1.1 " + QByteArray::number(status)
                      + " Status\r\nContent-Type: text/plain\r\n"
                        "Content-Length: "
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    };
}

TestHttpServer::Behaviour TestHttpServer::silent()
{
    return [](QTcpSocket *, const QByteArray &) {};
}

TestHttpServer::Behaviour TestHttpServer::endlessBody()
{
    return endless("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n", QByteArray(1024, 'x'));
}

TestHttpServer::Behaviour TestHttpServer::endless(const QByteArray &head, const QByteArray &unit)
{
    return [head, unit](QTcpSocket *socket, const QByteArray &) {
        socket->write(head);
        QByteArray chunk;
        while (chunk.size() < 16384)
            chunk += unit;
        auto more = [socket, chunk] {
            if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 65536)
                socket->write(chunk);
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    };
}

TestHttpServer::Behaviour TestHttpServer::delayedReply(const QByteArray &body, int delayMs)
{
    return [body, delayMs](QTcpSocket *socket, const QByteArray &request) {
        QTimer::singleShot(delayMs, socket, [socket, body, request] { reply(body)(socket, request); });
    };
}

quint16 TestHttpServer::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QByteArray modemPage(const QByteArray &afterSearchText)
{
    return "Modem Status Summary\r\nReceive Status....... Operational\r\n"
           "Signal Strength.............. "
        + afterSearchText + "\r\nTransmit Status...... Operational\r\n";
}

TestHttpServer::Behaviour TestHttpServer::drip(const QByteArray &body, int msPerByte)
{
    return [body, msPerByte](QTcpSocket *socket, const QByteArray &) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
        auto *timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        QObject::connect(timer, &QTimer::timeout, socket, [socket, body, sent, timer] {
            if (*sent >= body.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        timer->start(msPerByte);
    };
}

TestHttpServer::Behaviour TestHttpServer::raw(const QByteArray &bytes)
{
    return [bytes](QTcpSocket *socket, const QByteArray &) {
        socket->write(bytes);
        socket->disconnectFromHost();
    };
}

TestHttpServer::Behaviour TestHttpServer::resetAfter(const QByteArray &bytes)
{
    return [bytes](QTcpSocket *socket, const QByteArray &) {
        socket->write(bytes);
        socket->flush();
        QTimer::singleShot(50, socket, [socket] {
            // A zero linger time makes the close a reset (RST), not an orderly FIN.
            const linger reset{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            socket->abort();
        });
    };
}

TestHttpServer::Behaviour TestHttpServer::redirectTo(const QByteArray &location)
{
    return [location](QTcpSocket *socket, const QByteArray &) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + location
                      + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    };
}

TestHttpServer::Behaviour TestHttpServer::redirectLoop()
{
    return [](QTcpSocket *socket, const QByteArray &request) {
        const QByteArray path = request.split(' ').value(1);
        const QByteArray next = path.endsWith("a") ? path.chopped(1) + "b" : path.chopped(1) + "a";
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + next + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    };
}
