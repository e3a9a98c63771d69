#pragma once

#include "DaemonHandle.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>

// The aim page for a phone at the dish: one small page at
// /aim/<token> and its stream of Server-Sent Events at /aim/<token>/events,
// served by libmicrohttpd on threads of its own. The token is made at the
// first start and kept after; any other path is a 404. Nothing listens
// until start().
class AimServer {
public:
    // Phones and tabs watching at once; a further stream is refused.
    static constexpr int MostStreams = 8;

    AimServer() = default;
    ~AimServer();
    AimServer(const AimServer &) = delete;
    AimServer &operator=(const AimServer &) = delete;

    // Listens on the address and port with a new token; an error text, empty
    // when it listens.
    QString start(const QString &address, quint16 port);
    void stop();
    bool isListening() const { return m_daemon != nullptr; }
    // http://<address>:<port>/aim/<token>, or empty while stopped.
    QString url() const { return m_url; }
    // What every page shows now: one JSON object, sent at once to each stream.
    void publish(const QByteArray &json);

    // For the daemon's threads.
    bool isPage(const char *url) const;
    bool isEvents(const char *url) const;
    bool streamsFull() const;
    bool openStream();
    void closeStream();
    // The next event for a stream that has seen event `seen`: waits for one,
    // or gives a keep-alive comment; a negative size ends the stream.
    qint64 nextEvent(quint64 &seen, char *buffer, size_t size);

private:
    DaemonHandle m_daemon;
    QString m_url;
    QByteArray m_path; // /aim/<token>
    std::mutex m_lock;
    std::condition_variable m_changed;
    QByteArray m_json;
    quint64 m_sequence = 0;
    bool m_stopping = false;
    std::atomic<int> m_streams = 0;
};
