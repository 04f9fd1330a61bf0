#pragma once

// Inside the HTTP client only: the libcurl share behind CHttpSession.

#include <atomic>
#include <mutex>

#include <curl/curl.h>

#include "base/HttpClient.h"

struct CHttpSession::Impl {
    Impl();
    ~Impl();

    // Puts an easy handle on the shared cookie store, DNS cache and connection pool.
    void Attach(CURL* easy) const;

    CURLSH* share = nullptr;
    std::mutex locks[CURL_LOCK_DATA_LAST];
    std::atomic<long> connectTimeout{60};
    std::atomic<long> stallTimeout{60};

    // An idle handle on the share for reading and writing the cookie store directly.
    mutable std::mutex cookieMutex;
    CURL* cookieHandle = nullptr;
};
