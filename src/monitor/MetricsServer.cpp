#include "MetricsServer.h"

#include "core/LoadedLibrary.h"

#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>

namespace {

// libmicrohttpd, and the TLS library under it, are loaded when /metrics is
// first served: most users never share with Prometheus.
// clang-format off
#define TALVOR_MHD_FUNCTIONS \
    TALVOR_MHD(start_daemon) \
    TALVOR_MHD(stop_daemon) \
    TALVOR_MHD(create_response_from_buffer) \
    TALVOR_MHD(add_response_header) \
    TALVOR_MHD(queue_response) \
    TALVOR_MHD(destroy_response)
// clang-format on

struct MhdApi {
#define TALVOR_MHD(name) decltype(&::MHD_##name) name = nullptr;
    TALVOR_MHD_FUNCTIONS
#undef TALVOR_MHD
};

const talvor::LoadedApi<MhdApi> &loadedMhd()
{
    static const auto loaded = [] {
        talvor::LoadedLibrary library(QStringLiteral(TALVOR_MICROHTTPD_LIBRARY));
        MhdApi api;
#define TALVOR_MHD(name) library.resolve(api.name, "MHD_" #name);
        TALVOR_MHD_FUNCTIONS
#undef TALVOR_MHD
        return library.result(api);
    }();
    return loaded;
}

// Called only while a daemon runs, so after the library loaded.
const MhdApi &mhd()
{
    return *loadedMhd().api;
}

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
    MHD_Response *response = nullptr;
    unsigned status = MHD_HTTP_OK;
    if (metrics) {
        const QByteArray text = server->text();
        response = mhd().create_response_from_buffer(size_t(text.size()), const_cast<char *>(text.constData()),
                                                     MHD_RESPMEM_MUST_COPY);
        mhd().add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; version=0.0.4; charset=utf-8");
    } else {
        response = mhd().create_response_from_buffer(sizeof NotFound - 1, const_cast<char *>(NotFound),
                                                     MHD_RESPMEM_PERSISTENT);
        status = MHD_HTTP_NOT_FOUND;
    }
    const MHD_Result queued = mhd().queue_response(connection, status, response);
    mhd().destroy_response(response);
    return queued;
}

} // namespace

struct MetricsServer::Daemon {
    MHD_Daemon *daemon = nullptr;
    ~Daemon()
    {
        if (daemon)
            mhd().stop_daemon(daemon);
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
    const QByteArray host = address == u"localhost" ? QByteArray("127.0.0.1") : address.toLatin1();
    sockaddr_storage storage{};
    unsigned family = 0;
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, host.constData(), &v4) == 1) {
        auto *in = reinterpret_cast<sockaddr_in *>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr = v4;
    } else if (inet_pton(AF_INET6, host.constData(), &v6) == 1) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        in6->sin6_addr = v6;
        family = MHD_USE_IPv6;
    } else {
        return QStringLiteral("'%1' is not an address to listen on (write one such as 127.0.0.1)").arg(address);
    }
    if (!loadedMhd().api)
        return QStringLiteral("libmicrohttpd, which serves /metrics, could not be loaded: %1").arg(loadedMhd().problem);
    auto daemon = std::make_unique<Daemon>();
    daemon->daemon = mhd().start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | family, port, nullptr, nullptr, &answer, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr *>(&storage), MHD_OPTION_CONNECTION_LIMIT, ConnectionLimit,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, ConnectionsPerAddress, MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory,
        MHD_OPTION_CONNECTION_TIMEOUT, IdleSeconds, MHD_OPTION_END);
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
