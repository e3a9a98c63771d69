#include "CurlLibrary.h"

const char *curlStartProblem()
{
    // The first request comes from the window's thread, before any other
    // thread of ours uses curl.
    static const CURLcode started = curl_global_init(CURL_GLOBAL_DEFAULT);
    return started == CURLE_OK ? "" : curl_easy_strerror(started);
}
