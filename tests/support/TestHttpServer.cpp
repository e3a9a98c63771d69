#include "TestHttpServer.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QRegularExpression>
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

TestHttpServer::Behaviour TestHttpServer::behindLogin(const QByteArray &body, const QByteArray &user,
                                                      const QByteArray &password, bool digest)
{
    return [=](QTcpSocket *socket, const QByteArray &request) {
        const QRegularExpression header(QStringLiteral("\r\nAuthorization: (\\w+) ([^\r]*)"),
                                        QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch given = header.match(QString::fromLatin1(request));
        bool admitted = false;
        if (given.hasMatch() && !digest && given.captured(1) == u"Basic") {
            admitted = QByteArray::fromBase64(given.captured(2).toLatin1()) == user + ':' + password;
        } else if (given.hasMatch() && digest && given.captured(1) == u"Digest") {
            const auto field = [&given](const char *name) {
                const QRegularExpression pair(QStringLiteral("%1=\"?([^\",]*)").arg(QLatin1String(name)));
                return pair.match(given.captured(2)).captured(1).toLatin1();
            };
            const auto md5 = [](const QByteArray &text) {
                return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
            };
            const QByteArray ha1 = md5(user + ":modem:" + password);
            const QByteArray ha2 = md5("GET:" + field("uri"));
            admitted = field("username") == user
                && field("response")
                    == md5(ha1 + ':' + field("nonce") + ':' + field("nc") + ':' + field("cnonce") + ":auth:" + ha2);
        }
        if (admitted)
            return reply(body)(socket, request);
        const QByteArray challenge =
            digest ? "Digest realm=\"modem\", qop=\"auth\", nonce=\"5a1f0c\", algorithm=MD5" : "Basic realm=\"modem\"";
        const QByteArray refusal = "Login needed";
        socket->write("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: " + challenge
                      + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(refusal.size())
                      + "\r\nConnection: close\r\n\r\n" + refusal);
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
