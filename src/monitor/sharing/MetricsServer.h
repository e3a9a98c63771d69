#pragma once

#include "DaemonHandle.h"

#include <QByteArray>
#include <QString>

#include <mutex>

// GET /metrics for Prometheus, served by libmicrohttpd on a thread of its
// own: a slow or hostile client never reaches the GUI thread, and what it can
// hold is bounded (connections, bytes per connection, seconds of silence).
class MetricsServer {
public:
    MetricsServer() = default;
    ~MetricsServer();
    MetricsServer(const MetricsServer &) = delete;
    MetricsServer &operator=(const MetricsServer &) = delete;

    // Listens on the address and port; an error text, empty when it listens.
    QString start(const QString &address, quint16 port);
    void stop();
    bool isListening() const;
    // What the next scrape gets.
    void setText(const QByteArray &text);
    QByteArray text() const;

private:
    DaemonHandle m_daemon;
    mutable std::mutex m_lock;
    QByteArray m_text;
};
