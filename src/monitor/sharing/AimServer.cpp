#include "AimServer.h"

#include "AimPage.h"
#include "Microhttpd.h"

#include <QRandomGenerator>

#include <chrono>
#include <cstring>

namespace {

// Connections that hold a place without asking for anything (idle or slow
// clients, a scan of the LAN) must not shut phones out: there is room for
// hundreds, each on a small thread, any one address holding half at most,
// and a connection silent for a few seconds is closed.
constexpr unsigned ConnectionLimit = 640;
constexpr unsigned ConnectionsPerAddress = ConnectionLimit / 2;
constexpr size_t ThreadStack = 256 * 1024;
constexpr unsigned IdleSeconds = 5;
// A stream is silent between readings at most this long: a comment keeps
// proxies and phones from taking it for dead, and it from being closed as idle.
constexpr auto KeepAlive = std::chrono::seconds(3);

const char NotFound[] = "Not found\n";
const char TooMany[] = "Too many pages are watching already\n";

MHD_Result queue(MHD_Connection *connection, unsigned status, MHD_Response *response, const char *type)
{
    // The token is the page's key: no link out may carry it along.
    return queueResponse(connection, status, response,
                         {{MHD_HTTP_HEADER_CONTENT_TYPE, type},
                          {MHD_HTTP_HEADER_CACHE_CONTROL, "no-store"},
                          {"Referrer-Policy", "no-referrer"},
                          {"X-Content-Type-Options", "nosniff"}});
}

MHD_Result fixed(MHD_Connection *connection, unsigned status, const char *text, size_t size, const char *type)
{
    return queue(connection, status,
                 mhd().create_response_from_buffer(size, const_cast<char *>(text), MHD_RESPMEM_PERSISTENT), type);
}

struct Stream {
    AimServer *server;
    quint64 seen = 0;
};

ssize_t readEvents(void *cls, uint64_t, char *buffer, size_t size)
{
    auto *stream = static_cast<Stream *>(cls);
    const qint64 written = stream->server->nextEvent(stream->seen, buffer, size);
    return written < 0 ? MHD_CONTENT_READER_END_OF_STREAM : ssize_t(written);
}

void endStream(void *cls)
{
    auto *stream = static_cast<Stream *>(cls);
    stream->server->closeStream();
    delete stream;
}

MHD_Result answer(void *self, MHD_Connection *connection, const char *url, const char *method, const char *,
                  const char *, size_t *uploadSize, void **)
{
    auto *server = static_cast<AimServer *>(self);
    *uploadSize = 0;
    // HEAD answers as GET would, without a body, and opens no stream: the
    // page asks with it why its stream was turned away.
    const bool head = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
    const bool get = head || std::strcmp(method, MHD_HTTP_METHOD_GET) == 0;
    if (get && server->isPage(url))
        return fixed(connection, MHD_HTTP_OK, AimPage, std::strlen(AimPage), "text/html; charset=utf-8");
    if (!get || !server->isEvents(url))
        return fixed(connection, MHD_HTTP_NOT_FOUND, NotFound, sizeof NotFound - 1, "text/plain; charset=utf-8");
    if (head)
        return server->streamsFull()
            ? fixed(connection, MHD_HTTP_SERVICE_UNAVAILABLE, TooMany, sizeof TooMany - 1, "text/plain; charset=utf-8")
            : fixed(connection, MHD_HTTP_OK, "", 0, "text/event-stream");
    if (!server->openStream())
        return fixed(connection, MHD_HTTP_SERVICE_UNAVAILABLE, TooMany, sizeof TooMany - 1,
                     "text/plain; charset=utf-8");
    auto *stream = new Stream{server};
    MHD_Response *response =
        mhd().create_response_from_callback(MHD_SIZE_UNKNOWN, 1024, &readEvents, stream, &endStream);
    // Unmade, the response never ends the stream: its place is given back here.
    if (!response)
        endStream(stream);
    return queue(connection, MHD_HTTP_OK, response, "text/event-stream");
}

} // namespace

AimServer::~AimServer()
{
    stop();
}

QString AimServer::start(const QString &address, quint16 port)
{
    stop();
    QString error;
    std::optional<ListenAddress> at = listenAddress(address, port, error);
    if (!at)
        return error;
    // 128 bits from the system's source: not to be guessed from the LAN.
    // Kept while Talvor runs, so that a phone finds the page again when the
    // view opens again.
    if (m_path.isEmpty()) {
        QByteArray token(16, Qt::Uninitialized);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(token.data()), 4);
        m_path = "/aim/" + token.toHex();
    }
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_stopping = false;
    }
    m_daemon.reset(mhd().start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL | at->flags, port, nullptr,
        nullptr, &answer, this, MHD_OPTION_SOCK_ADDR, at->address(), MHD_OPTION_CONNECTION_LIMIT, ConnectionLimit,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, ConnectionsPerAddress, MHD_OPTION_THREAD_STACK_SIZE, ThreadStack,
        MHD_OPTION_CONNECTION_TIMEOUT, IdleSeconds, MHD_OPTION_END));
    if (!m_daemon)
        return listenRefused(address, port);
    const QString host = at->flags & MHD_USE_IPv6 ? u'[' + address + u']' : address;
    m_url = QStringLiteral("http://%1:%2%3").arg(host).arg(port).arg(QString::fromLatin1(m_path));
    return {};
}

void AimServer::stop()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_stopping = true;
    }
    // Streams waiting for a reading end now, so the daemon's threads can be joined.
    m_changed.notify_all();
    m_daemon.reset();
    m_url.clear();
}

void AimServer::publish(const QByteArray &json)
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_json = json;
        ++m_sequence;
    }
    m_changed.notify_all();
}

bool AimServer::isPage(const char *url) const
{
    return m_path == url || m_path + '/' == url;
}

bool AimServer::isEvents(const char *url) const
{
    return m_path + "/events" == url;
}

bool AimServer::streamsFull() const
{
    return m_streams >= MostStreams;
}

bool AimServer::openStream()
{
    if (++m_streams <= MostStreams)
        return true;
    --m_streams;
    return false;
}

void AimServer::closeStream()
{
    --m_streams;
}

qint64 AimServer::nextEvent(quint64 &seen, char *buffer, size_t size)
{
    std::unique_lock<std::mutex> hold(m_lock);
    m_changed.wait_for(hold, KeepAlive, [&] { return m_stopping || m_sequence != seen; });
    if (m_stopping)
        return -1;
    QByteArray event = ": still here\n\n";
    if (m_sequence != seen) {
        event = "data: " + m_json + "\n\n";
        seen = m_sequence;
    }
    // An event never comes near the block size; one that did is dropped, not cut.
    if (size_t(event.size()) > size)
        return 0;
    std::memcpy(buffer, event.constData(), size_t(event.size()));
    return event.size();
}
