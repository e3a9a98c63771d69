#include "ModemSimulator.h"

#include <QDateTime>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>

#include <memory>

ModemSimulator::ModemSimulator(QObject *parent)
    : QObject(parent)
    , m_random(QRandomGenerator::securelySeeded())
{
    connect(&m_server, &QTcpServer::newConnection, this, &ModemSimulator::onNewConnection);
}

bool ModemSimulator::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

int ModemSimulator::nextReading()
{
    if (QFile file(m_readingFile); !m_readingFile.isEmpty() && file.open(QIODevice::ReadOnly))
        return file.readAll().trimmed().toInt();
    if (m_fixed)
        return *m_fixed;
    // A random walk pulled towards the middle, with an occasional rain fade.
    m_level += (m_random.generateDouble() - 0.5) * 8.0 + (60.0 - m_level) * 0.08;
    if (m_random.bounded(25) == 0)
        m_level -= 15.0 + m_random.bounded(10);
    m_level = qBound(30.0, m_level, 90.0);
    return qRound(m_level);
}

QByteArray ModemSimulator::statusPage()
{
    const int reading = nextReading();
    QByteArray page;
    page += "Modem Status Summary\r\n";
    page += "Current Time......................... " + QDateTime::currentDateTimeUtc().toString(u"hh:mm:ss").toLatin1()
        + " UTC\r\n";
    page += "Receive Status....................... Operational\r\n";
    page += "Transmit Status...................... Operational\r\n";
    page += "Signal Strength.............. " + QByteArray::number(reading) + "\r\n";
    page += "Connection Status.................... Connected\r\n";
    page += "Requests Served...................... " + QByteArray::number(m_served + 1) + "\r\n";
    return page;
}

void ModemSimulator::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            *request += socket->readAll();
            if (!request->contains("\r\n\r\n")) {
                if (request->size() > 16384)
                    socket->abort();
                return;
            }
            socket->disconnect(this);
            const QByteArray body = statusPage();
            ++m_served;
            socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                          + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }
}
