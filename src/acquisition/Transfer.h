#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <curl/curl.h>
#include <map>
#include <memory>

class QSocketNotifier;

// The program's HTTP transfer control (Inet1): one request at a time over
// libcurl, driven from the GUI thread by socket notifiers and one timer, its
// progress reported as numbered states; failures to start are reported as the
// error numbers the page view has messages for. No server can hold it: the
// body kept, the headers and the hops are bounded, the whole request is
// limited in time, and a cancel drops it at once.
class Transfer : public QObject {
    Q_OBJECT
public:
    enum State : qint16 {
        Resolving = 1, Resolved = 2, Connecting = 3, Connected = 4, Requesting = 5,
        RequestSent = 6, Receiving = 7, ResponseReceived = 8, Failed = 11, Complete = 12,
    };
    enum Error : qint32 {
        NoError = 0,
        UrlMalformed = 35752,
        ProtocolNotSupported = 35753,
        NoRemoteComputer = 35755,
        NotValidCommand = 35762,
        StillExecutingRequest = 35764,
        UnrecognizedScheme = 35772,
    };
    // No more than this much of a body is ever kept.
    static constexpr int BodyCap = 4096;
    static constexpr int HeaderCap = 64 * 1024;
    static constexpr int MaxRedirects = 5;
    static constexpr int DefaultTimeoutMs = 30000;

    explicit Transfer(QObject *parent = nullptr);
    ~Transfer() override;

    // Each returns NoError or the error number that stops the request.
    qint32 setUrl(const QString &text);
    qint32 execute(const QString &url, const QString &operation);

    bool StillExecuting() const { return m_easy != nullptr; }
    // Why the last request failed, in words; empty after a success.
    QString errorText() const { return m_errorText; }
    // The received body, one character per byte, at most maxSize of them.
    QString readBody(int maxSize) const;
    // Abandons the request in flight; no further state is reported for it.
    void cancel();

    // A request still running this long after its start ends as state 11.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

signals:
    void StateChanged(qint16 state);

private:
    struct SocketWatch {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    bool ensureMulti();
    bool startGet();
    // Lets curl work on a socket (or on its timer, for -1) and then tells
    // the states it reached and the end, if it came.
    void drive(curl_socket_t socket, int events);
    void finishIfDone();
    void finish(State last);
    void dropEasy();
    void watchSocket(curl_socket_t socket, int what);
    void report(State state) { m_pending.append(state); }
    void emitPending();

    // curl's callbacks, each given the Transfer as its user pointer.
    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *socketData);
    static int onTimer(CURLM *multi, long timeoutMs, void *self);
    static size_t onBody(char *data, size_t size, size_t count, void *self);
    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static int onResolverStart(void *resolverState, void *reserved, void *self);
    static curl_socket_t onOpenSocket(void *self, curlsocktype purpose, curl_sockaddr *address);
    static int onPreRequest(void *self, char *connPrimaryIp, char *connLocalIp, int primaryPort, int localPort);
    static int onDebug(CURL *easy, curl_infotype type, char *data, size_t size, void *self);

    CURLM *m_multi = nullptr;
    CURL *m_easy = nullptr;
    std::map<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_curlTimer;
    QUrl m_url;
    QByteArray m_encodedUrl;
    QByteArray m_body;
    QByteArray m_location; // of the response whose headers are arriving
    QString m_errorText;
    QList<State> m_pending;
    char m_curlError[CURL_ERROR_SIZE] = {};
    int m_timeoutMs = DefaultTimeoutMs;
    qint64 m_headerBytes = 0;
    bool m_hostIsName = false;
    bool m_inHeaders = false;
    bool m_capped = false;
    bool m_driving = false;
};
