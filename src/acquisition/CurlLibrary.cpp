#include "CurlLibrary.h"

#include <QtGlobal>

#include <dlfcn.h>

// Starting curl starts every library it was built with: libssh2 among them,
// and libssh2 starts all of OpenSSL's engines, some 1.5 MB resident for SCP
// and SFTP, which Talvor never lets curl speak (CURLOPT_PROTOCOLS_STR in Transfer.cpp).
// The program exports this stand-in (see src/CMakeLists.txt), so curl, loaded
// after it, calls it instead of libssh2's own; libssh2_exit then finds
// nothing started and does nothing.
extern "C" Q_DECL_EXPORT int libssh2_init(int)
{
    return 0;
}

#ifdef TALVOR_GNUTLS_LIBRARY
// GnuTLS, which speaks https for this libcurl, would start itself as it
// loads and again when curl starts: 0.7 MB resident, though most modems are
// read over plain http. deferTlsStart() keeps it from starting as it loads;
// curl's call to start it comes here (exported as above) and is let pass,
// and startTls() starts it for real before the first https request. Anyone
// else's call starts it at once.
namespace {
bool curlIsStarting = false;

int startGnutls()
{
    // Whoever asks has loaded it (perhaps from a constructor, as
    // libmicrohttpd does), so this only finds the library's own start.
    static const auto start = [] {
        void *gnutls = dlopen(TALVOR_GNUTLS_LIBRARY, RTLD_LAZY | RTLD_NOLOAD);
        return gnutls ? reinterpret_cast<int (*)()>(dlsym(gnutls, "gnutls_global_init")) : nullptr;
    }();
    return start ? start() : 0;
}
} // namespace

extern "C" Q_DECL_EXPORT int gnutls_global_init()
{
    return curlIsStarting ? 0 : startGnutls();
}
#endif

const LoadedCurl &loadedCurl()
{
    static const LoadedCurl loaded = [] {
        talvor::LoadedLibrary library(QStringLiteral(TALVOR_CURL_LIBRARY));
        CurlApi api;
#define TALVOR_CURL(name) library.resolve(api.name, "curl_" #name);
        TALVOR_CURL_FUNCTIONS
#undef TALVOR_CURL
        LoadedCurl curl = library.result(api);
#ifdef TALVOR_GNUTLS_LIBRARY
        curlIsStarting = true;
#endif
        const bool started = curl.api && curl.api->global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
#ifdef TALVOR_GNUTLS_LIBRARY
        curlIsStarting = false;
#endif
        if (curl.api && !started)
            curl = {std::nullopt, QStringLiteral("libcurl could not start")};
        return curl;
    }();
    return loaded;
}

const CurlApi &curl()
{
    return *loadedCurl().api;
}

void deferTlsStart()
{
#ifdef TALVOR_GNUTLS_LIBRARY
    qputenv("GNUTLS_NO_IMPLICIT_INIT", "1");
#endif
}

void startTls()
{
#ifdef TALVOR_GNUTLS_LIBRARY
    // Each start counts, to be matched by a stop: one is all curl needs.
    static const int started = startGnutls();
    Q_UNUSED(started)
#endif
}
