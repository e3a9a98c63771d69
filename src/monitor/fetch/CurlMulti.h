#pragma once

#include "CurlLibrary.h"

#include <QTimer>

#include <functional>
#include <map>
#include <memory>

class QObject;
class QSocketNotifier;

// libcurl's multi-socket interface on the GUI thread's event loop: a socket
// notifier for each way curl waits on a socket, and one timer for curl's
// timeouts. No threads, and nothing curl does blocks the loop.
class CurlMulti {
public:
    // worked runs after each turn curl took on a socket or its timer, while a
    // transfer is added; the notifiers' connections live as long as context.
    CurlMulti(QObject &context, std::function<void()> worked);
    ~CurlMulti();
    CurlMulti(const CurlMulti &) = delete;
    CurlMulti &operator=(const CurlMulti &) = delete;

    // Starts the transfer; false when curl refused it.
    bool add(CURL *easy);
    // Stops it at once, its sockets closed and no longer watched.
    void remove(CURL *easy);
    // Whether easy has ended, and with what result.
    bool finished(CURL *easy, CURLcode &result);

private:
    struct SocketWatch {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
        void release();
    };
    static int onSocket(CURL *, curl_socket_t socket, int what, void *self, void *);
    static int onTimer(CURLM *, long timeoutMs, void *self);
    void watchSocket(curl_socket_t socket, int what);
    void drive(curl_socket_t socket, int events);

    QObject &m_context;
    std::function<void()> m_worked;
    MultiHandle m_multi;
    std::map<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_timer;
    int m_added = 0;
};
