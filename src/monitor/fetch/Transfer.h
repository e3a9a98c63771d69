#pragma once

#include "core/fetch/FormLogin.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// The program's HTTP transfer control (Inet1): one request at a time over
// libcurl, driven from the GUI thread by socket notifiers and one timer, its
// progress reported as numbered states; failures to start are reported as the
// error numbers the page view has messages for. No server can hold it: the
// body kept, the headers and the hops are bounded, the whole request is
// limited in time, and a cancel drops it at once. Redirects are followed by
// hand, only to the scheme, host and port the request began with.
class Transfer : public QObject {
    Q_OBJECT
public:
    enum State : qint16 {
        Resolving = 1,
        Resolved = 2,
        Connecting = 3,
        Connected = 4,
        Requesting = 5,
        RequestSent = 6,
        Receiving = 7,
        ResponseReceived = 8,
        Failed = 11,
        Complete = 12,
    };
    enum Error : qint32 {
        NoError = 0,
        UrlMalformed = 35752,
        ProtocolNotSupported = 35753,
        NoRemoteComputer = 35755,
        NotValidCommand = 35762,
        StillExecutingRequest = 35764,
        InternalError = 35770,
        UnrecognizedScheme = 35772,
    };
    // No more than this much of a body is kept, unless a rule that looks
    // through the whole page asks for the larger cap.
    static constexpr int BodyCap = 4096;
    static constexpr int LargeBodyCap = 1 << 20;
    // Of each response's headers, redirects included.
    static constexpr int HeaderCap = 64 * 1024;
    static constexpr int MaxRedirects = 5;
    static constexpr int DefaultTimeoutMs = 30000;
    // 401 answers in one request before it ends as refused.
    static constexpr int MaxRefusals = 3;

    explicit Transfer(QObject *parent = nullptr);
    ~Transfer() override;

    // Each returns NoError or the error number that stops the request.
    qint32 setUrl(const QString &text);
    qint32 execute(const QString &url, const QString &operation);

    bool StillExecuting() const;
    // Why the last request failed, in words; empty after a success.
    QString errorText() const;
    // The received body, one character per byte, at most maxSize of them.
    QString readBody(int maxSize) const;
    // The last response's status code and reason ("404 Not Found"); 0 and
    // empty before any came.
    int status() const;
    QString statusText() const;
    // Abandons the request in flight; no further state is reported for it.
    void cancel();

    // The most of a body the next requests keep; the rest is never read.
    void setBodyCap(int bytes);
    int bodyCap() const;
    // The last body was longer than the cap.
    bool bodyCut() const;
    // A request still running this long after its start ends as state 11.
    void setTimeoutMs(int ms);
    // The modem's login, sent (HTTP Basic or Digest, as the modem asks) to
    // it alone: redirects never leave its scheme, host and port. Empty: none.
    // Once the modem has named Basic, the login goes with the first request.
    void setLogin(const QString &user, const QString &password);
    bool hasLogin() const;
    // A login by a form post and a session cookie in place of Basic and
    // Digest (none: those). The session is kept from poll to poll and
    // logged into again, once a poll at most, when the status page says it
    // ended; after two refused logins none is tried for five minutes.
    // Cookies live here, in memory, and go to the modem's origin alone.
    void setFormLogin(const std::optional<talvor::FormLogin> &login);
    // Why this poll's form login failed, in words fit to show; empty when it
    // did not fail (the poll's page is then the status page).
    QString loginRefusal() const;
    // Ends the form login's session on a modem that allows one session at a
    // time (logout=), waiting two seconds at most: for the program's end.
    void logOut();
    static constexpr int FailedLoginsBeforePause = 2;
    static constexpr int LoginPauseMs = 5 * 60 * 1000;

    // The request in flight, on curl's side; only Transfer.cpp and TransferLogin.cpp (with CurlLibrary, CurlMulti and
    // Redirects) know curl.
    struct Request;

signals:
    void StateChanged(qint16 state);
    // A step of a form login ("Login sent to /login: 302 Found"), secrets
    // and cookie values never in it; told before the request's states.
    void step(const QString &text);

private:
    std::unique_ptr<Request> d;
};
