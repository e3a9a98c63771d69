#pragma once

#include <curl/curl.h>
#include <memory>

// libcurl as the transfer uses it: started once, the first time a request
// needs it. Empty when it started; otherwise why it could not.
const char *curlStartProblem();

struct EasyCleanup {
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
    void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};
struct UrlCleanup {
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};
struct TextCleanup {
    void operator()(char *text) const { curl_free(text); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;
