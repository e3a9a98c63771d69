#pragma once

#include "core/program/LoadedLibrary.h"

#include <curl/curl.h>
#include <memory>

// libcurl as the transfer uses it. It, and the TLS, Kerberos, LDAP and SSH
// libraries it comes with (some thirty), are opened at the first request
// rather than with the program, so the window shows sooner.
// clang-format off
#define TALVOR_CURL_FUNCTIONS \
    TALVOR_CURL(global_init) \
    TALVOR_CURL(easy_init) \
    TALVOR_CURL(easy_cleanup) \
    TALVOR_CURL(easy_setopt) \
    TALVOR_CURL(easy_perform) \
    TALVOR_CURL(easy_getinfo) \
    TALVOR_CURL(easy_strerror) \
    TALVOR_CURL(free) \
    TALVOR_CURL(slist_append) \
    TALVOR_CURL(slist_free_all) \
    TALVOR_CURL(multi_init) \
    TALVOR_CURL(multi_cleanup) \
    TALVOR_CURL(multi_setopt) \
    TALVOR_CURL(multi_add_handle) \
    TALVOR_CURL(multi_remove_handle) \
    TALVOR_CURL(multi_socket_action) \
    TALVOR_CURL(multi_info_read) \
    TALVOR_CURL(url) \
    TALVOR_CURL(url_cleanup) \
    TALVOR_CURL(url_set) \
    TALVOR_CURL(url_get)
// clang-format on

struct CurlApi {
#define TALVOR_CURL(name) decltype(&::curl_##name) name = nullptr;
    TALVOR_CURL_FUNCTIONS
#undef TALVOR_CURL
};

using LoadedCurl = talvor::LoadedApi<CurlApi>;

// libcurl, opened and started the first time it is asked for.
const LoadedCurl &loadedCurl();
// Only handles curl made are ever given back to it, so it is loaded by then.
const CurlApi &curl();

struct EasyCleanup {
    void operator()(CURL *easy) const { curl().easy_cleanup(easy); }
};
struct MultiCleanup {
    void operator()(CURLM *multi) const { curl().multi_cleanup(multi); }
};
struct UrlCleanup {
    void operator()(CURLU *url) const { curl().url_cleanup(url); }
};
struct TextCleanup {
    void operator()(char *text) const { curl().free(text); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;
