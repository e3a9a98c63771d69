// How long the event loop goes without a turn while the transfer takes a
// page from a server that misbehaves: a body without end at full speed, a
// page a byte at a time, headers up to their cap. Prints the longest gap
// for each, in milliseconds; a window stays responsive while each is well
// under 100 ms.
#include "monitor/fetch/Transfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

using Serve = std::function<void(QTcpSocket *)>;

void keepWriting(QTcpSocket *socket, const QByteArray &head, const QByteArray &unit, int msBetween)
{
    socket->write(head);
    auto *timer = new QTimer(socket);
    timer->setInterval(msBetween);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, unit] {
        if (socket->bytesToWrite() < 65536)
            socket->write(unit);
    });
    timer->start();
}

struct Run {
    qint64 longestGapMs = 0;
    qint64 tookMs = 0;
    QString end;
};

Run longestGapWhile(const Serve &serve)
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, serve] {
                if (socket->readAll().contains("\r\n\r\n"))
                    serve(socket);
            });
    });
    Transfer transfer;
    transfer.setTimeoutMs(3000);
    QTimer probe;
    probe.setInterval(0);
    QElapsedTimer since;
    qint64 longest = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] { longest = std::max(longest, since.restart()); });
    bool done = false;
    QObject::connect(&transfer, &Transfer::StateChanged, [&done](qint16 state) {
        done = done || state == Transfer::Complete || state == Transfer::Failed;
    });
    transfer.execute(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()), QStringLiteral("GET"));
    since.start();
    probe.start();
    QElapsedTimer took;
    took.start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return {longest, took.elapsed(),
            transfer.errorText().isEmpty() ? QStringLiteral("complete") : transfer.errorText()};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n";
    const std::pair<const char *, Serve> cases[] = {
        {"endless_body", [&](QTcpSocket *s) { keepWriting(s, ok, QByteArray(16384, 'x'), 0); }},
        {"a_byte_at_a_time", [&](QTcpSocket *s) { keepWriting(s, ok, "x", 5); }},
        {"endless_headers",
         [](QTcpSocket *s) {
             keepWriting(s, "HTTP/1.1 200 OK\r\n", "X-Padding: " + QByteArray(1000, 'p') + "\r\n", 0);
         }},
    };
    for (const auto &[name, serve] : cases) {
        const Run run = longestGapWhile(serve);
        std::printf("event_loop_longest_gap_ms %s=%lld  (%s after %lld ms)\n", name,
                    static_cast<long long>(run.longestGapMs), qPrintable(run.end), static_cast<long long>(run.tookMs));
    }
    return 0;
}
