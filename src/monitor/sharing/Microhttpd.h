#pragma once

#include "DaemonHandle.h"
#include "core/program/LoadedLibrary.h"

#include <QString>

#include <initializer_list>
#include <microhttpd.h>
#include <optional>
#include <sys/socket.h>
#include <utility>

// libmicrohttpd, and the TLS library under it, are loaded when Talvor first
// serves something (/metrics, the aim page): most users never do.
// clang-format off
#define TALVOR_MHD_FUNCTIONS \
    TALVOR_MHD(start_daemon) \
    TALVOR_MHD(stop_daemon) \
    TALVOR_MHD(create_response_from_buffer) \
    TALVOR_MHD(create_response_from_callback) \
    TALVOR_MHD(add_response_header) \
    TALVOR_MHD(queue_response) \
    TALVOR_MHD(destroy_response)
// clang-format on

struct MhdApi {
#define TALVOR_MHD(name) decltype(&::MHD_##name) name = nullptr;
    TALVOR_MHD_FUNCTIONS
#undef TALVOR_MHD
};

const talvor::LoadedApi<MhdApi> &loadedMhd();
// Called only while a daemon runs, so after the library loaded.
const MhdApi &mhd();

// Where a daemon listens: the socket address and the flag its family needs.
struct ListenAddress {
    sockaddr_storage storage{};
    unsigned flags = 0;
    sockaddr *address() { return reinterpret_cast<sockaddr *>(&storage); }
};
// An IPv4 or IPv6 address ("localhost" is 127.0.0.1), or an error text.
std::optional<ListenAddress> listenAddress(const QString &address, quint16 port, QString &error);
// Why a daemon did not start on an address that parsed.
QString listenRefused(const QString &address, quint16 port);

// Queues response with these headers and lets go of it. A response the
// library could not make (NULL) closes the connection instead.
using HttpHeaders = std::initializer_list<std::pair<const char *, const char *>>;
MHD_Result queueResponse(MHD_Connection *connection, unsigned status, MHD_Response *response, HttpHeaders headers);
