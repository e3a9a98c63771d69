#include "Microhttpd.h"

#include <arpa/inet.h>
#include <netinet/in.h>

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

const MhdApi &mhd()
{
    return *loadedMhd().api;
}

void StopDaemon::operator()(MHD_Daemon *daemon) const
{
    mhd().stop_daemon(daemon);
}

std::optional<ListenAddress> listenAddress(const QString &address, quint16 port, QString &error)
{
    const QByteArray host = address == u"localhost" ? QByteArray("127.0.0.1") : address.toLatin1();
    ListenAddress listen;
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, host.constData(), &v4) == 1) {
        auto *in = reinterpret_cast<sockaddr_in *>(&listen.storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr = v4;
    } else if (inet_pton(AF_INET6, host.constData(), &v6) == 1) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&listen.storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        in6->sin6_addr = v6;
        listen.flags = MHD_USE_IPv6;
    } else {
        error = QStringLiteral("'%1' is not an address to listen on (write one such as 127.0.0.1)").arg(address);
        return std::nullopt;
    }
    if (!loadedMhd().api) {
        error = QStringLiteral("libmicrohttpd, which serves Talvor's pages, could not be loaded: %1")
                    .arg(loadedMhd().problem);
        return std::nullopt;
    }
    return listen;
}

QString listenRefused(const QString &address, quint16 port)
{
    return QStringLiteral("cannot listen on %1 port %2 (in use, or not an address of this machine)")
        .arg(address)
        .arg(port);
}

MHD_Result queueResponse(MHD_Connection *connection, unsigned status, MHD_Response *response, HttpHeaders headers)
{
    if (!response)
        return MHD_NO;
    for (const auto &[name, value] : headers)
        mhd().add_response_header(response, name, value);
    const MHD_Result queued = mhd().queue_response(connection, status, response);
    mhd().destroy_response(response);
    return queued;
}
