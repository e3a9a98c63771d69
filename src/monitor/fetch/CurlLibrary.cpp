#include "CurlLibrary.h"

const LoadedCurl &loadedCurl()
{
    // The first request comes from the window's thread, before any other
    // thread of ours uses curl.
    static const LoadedCurl loaded = [] {
        talvor::LoadedLibrary library(QStringLiteral(TALVOR_CURL_LIBRARY));
        CurlApi api;
#define TALVOR_CURL(name) library.resolve(api.name, "curl_" #name);
        TALVOR_CURL_FUNCTIONS
#undef TALVOR_CURL
        LoadedCurl curl = library.result(api);
        if (curl.api && curl.api->global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            curl = {std::nullopt, QStringLiteral("it could not start")};
        return curl;
    }();
    return loaded;
}

const CurlApi &curl()
{
    return *loadedCurl().api;
}
