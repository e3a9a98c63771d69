#include "MetricsServer.h"

#include <QHostAddress>

#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// Far more than the scrapers of a household; beyond it, new connections wait
// in the kernel's backlog or are refused. With what one connection may hold
// while its request is read, a flood costs at most 1 MB.
constexpr unsigned ConnectionLimit = 128;
constexpr size_t ConnectionMemory = 8 * 1024;
constexpr unsigned IdleSeconds = 5;

const char NotFound[] = "Not found: Talvor serves /metrics\n";

MHD_Result answer(void *self, MHD_Connection *connection, const char *url, const char *method, const char *,
                  const char *, size_t *uploadSize, void **)
{
    auto *server = static_cast<MetricsServer *>(self);
    // A body is never wanted: whatever is uploaded is dropped as it comes.
    *uploadSize = 0;
    const bool metrics = std::strcmp(url, "/metrics") == 0
        && (std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 || std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0);
    MHD_Response *response = nullptr;
    unsigned status = MHD_HTTP_OK;
    if (metrics) {
        const QByteArray text = server->text();
        response = MHD_create_response_from_buffer(size_t(text.size()), const_cast<char *>(text.constData()),
                                                   MHD_RESPMEM_MUST_COPY);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; version=0.0.4; charset=utf-8");
    } else {
        response =
            MHD_create_response_from_buffer(sizeof NotFound - 1, const_cast<char *>(NotFound), MHD_RESPMEM_PERSISTENT);
        status = MHD_HTTP_NOT_FOUND;
    }
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

} // namespace

struct MetricsServer::Daemon {
    MHD_Daemon *daemon = nullptr;
    ~Daemon()
    {
        if (daemon)
            MHD_stop_daemon(daemon);
    }
};

MetricsServer::MetricsServer() = default;

MetricsServer::~MetricsServer()
{
    stop();
}

QString MetricsServer::start(const QString &address, quint16 port)
{
    stop();
    const QHostAddress host(address == u"localhost" ? QStringLiteral("127.0.0.1") : address);
    sockaddr_storage storage{};
    unsigned family = 0;
    if (host.protocol() == QAbstractSocket::IPv4Protocol) {
        auto *in = reinterpret_cast<sockaddr_in *>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(host.toIPv4Address());
    } else if (host.protocol() == QAbstractSocket::IPv6Protocol) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = host.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
        family = MHD_USE_IPv6;
    } else {
        return QStringLiteral("'%1' is not an address to listen on (write one such as 127.0.0.1)").arg(address);
    }
    auto daemon = std::make_unique<Daemon>();
    daemon->daemon = MHD_start_daemon(MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | family, port, nullptr, nullptr,
                                      &answer, this, MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr *>(&storage),
                                      MHD_OPTION_CONNECTION_LIMIT, ConnectionLimit, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
                                      ConnectionMemory, MHD_OPTION_CONNECTION_TIMEOUT, IdleSeconds, MHD_OPTION_END);
    if (!daemon->daemon)
        return QStringLiteral("cannot listen on %1 port %2 (in use, or not an address of this machine)")
            .arg(address)
            .arg(port);
    m_daemon = std::move(daemon);
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
