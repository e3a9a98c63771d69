#include "MetricsServer.h"

#include "Microhttpd.h"

#include <cstring>

namespace {

// Far more than the scrapers of a household; beyond it, new connections wait
// in the kernel's backlog or are refused. With what one connection may hold
// while its request is read, a flood costs at most 1 MB.
constexpr unsigned ConnectionLimit = 128;
// One address (a slow or hostile client) takes only a few of them, so the
// scrapers elsewhere still get in.
constexpr unsigned ConnectionsPerAddress = 8;
constexpr size_t ConnectionMemory = 8 * 1024;
// A scrape's request comes at once; a client that dawdles is let go soon.
constexpr unsigned IdleSeconds = 3;

const char NotFound[] = "Not found: Talvor serves /metrics\n";

MHD_Result answer(void *self, MHD_Connection *connection, const char *url, const char *method, const char *,
                  const char *, size_t *uploadSize, void **)
{
    auto *server = static_cast<MetricsServer *>(self);
    // A body is never wanted: whatever is uploaded is dropped as it comes.
    *uploadSize = 0;
    const bool metrics = std::strcmp(url, "/metrics") == 0
        && (std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 || std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0);
    if (!metrics)
        return queueResponse(connection, MHD_HTTP_NOT_FOUND,
                             mhd().create_response_from_buffer(sizeof NotFound - 1, const_cast<char *>(NotFound),
                                                               MHD_RESPMEM_PERSISTENT),
                             {});
    const QByteArray text = server->text();
    return queueResponse(connection, MHD_HTTP_OK,
                         mhd().create_response_from_buffer(size_t(text.size()), const_cast<char *>(text.constData()),
                                                           MHD_RESPMEM_MUST_COPY),
                         {{MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; version=0.0.4; charset=utf-8"}});
}

} // namespace

MetricsServer::~MetricsServer()
{
    stop();
}

QString MetricsServer::start(const QString &address, quint16 port)
{
    stop();
    QString error;
    std::optional<ListenAddress> at = listenAddress(address, port, error);
    if (!at)
        return error;
    m_daemon.reset(mhd().start_daemon(MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | at->flags, port, nullptr,
                                      nullptr, &answer, this, MHD_OPTION_SOCK_ADDR, at->address(),
                                      MHD_OPTION_CONNECTION_LIMIT, ConnectionLimit, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
                                      ConnectionsPerAddress, MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory,
                                      MHD_OPTION_CONNECTION_TIMEOUT, IdleSeconds, MHD_OPTION_END));
    if (!m_daemon)
        return listenRefused(address, port);
    return {};
}

void MetricsServer::stop()
{
    m_daemon.reset();
}

bool MetricsServer::isListening() const
{
    return m_daemon != nullptr;
}

void MetricsServer::setText(const QByteArray &text)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_text = text;
}

QByteArray MetricsServer::text() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_text;
}
