#pragma once

#include "CurlLibrary.h"
#include "CurlMulti.h"
#include "Redirects.h"
#include "Transfer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <map>

// The request in flight and what outlives it (the login learned, the form
// login's session), shared by the transfer's two halves: Transfer.cpp drives
// curl and its hops, TransferLogin.cpp the steps of a form login.
struct Transfer::Request {
    explicit Request(Transfer &owner)
        : q(owner)
        , multi(owner, [this] {
            finishIfDone();
            emitPending();
        })
    {
    }
    ~Request()
    {
        dropEasy();
        if (headers)
            curl().slist_free_all(headers);
    }

    bool start();
    bool startHop(const QByteArray &url);
    // The form login's steps, each a request of its own within the poll.
    void beginLogin();
    void sendLogin();
    void loginRefused(const QString &said);
    // The next request of the poll; a failure to start it ends the poll.
    void hop(const QByteArray &to, const QString &failing);
    // Where a hop of a form login ended; false when it was handled there.
    bool sessionStep();
    QByteArray onModem(const QString &path) const;
    // A Set-Cookie line of the modem's; the Cookie header of the session.
    void keepCookie(const QByteArray &line);
    QByteArray cookieLine() const;
    void say(const QString &text) { steps << talvor::hideSecrets(text, {QString::fromUtf8(password)}); }
    // After curl worked: tells the states it reached and the end, if it came.
    void finishIfDone();
    void completed();
    QString failureText(CURLcode result) const;
    void finish(State last);
    void dropEasy();
    void report(State state) { pending.append(state); }
    void learnScheme(const QByteArray &challenge);
    void emitPending();

    Transfer &q;
    CurlMulti multi;
    EasyHandle easy;
    QElapsedTimer clock;
    QUrl url;
    QByteArray hopUrl;
    Origin first;
    QByteArray body;
    QByteArray user;
    QByteArray password;
    QString errorText;
    // How the modem at learnedAt asks for the login, once it has said so: the
    // login then goes with the first request where the scheme allows it.
    long scheme = CURLAUTH_BASIC | CURLAUTH_DIGEST;
    Origin learnedAt;
    int refusals = 0; // 401 answers in this poll
    bool gaveUp = false;
    QString reason;      // of the last response's status line
    QByteArray location; // the last response's first Location header
    QList<State> pending;
    QStringList steps;
    // The form login and its session.
    enum Phase { StatusPage, LoginPage, LoginPost } phase = StatusPage;
    std::optional<talvor::FormLogin> form;
    bool session = false;
    bool loggedInThisPoll = false;
    int failedLogins = 0;
    qint64 loginsPausedUntil = 0; // ms since the epoch
    std::map<QByteArray, QByteArray> cookies;
    QByteArray statusUrl;
    QByteArray postBody;
    QByteArray cookieHeader;
    QString token;
    QString refusal;
    QString phaseAnswer; // the first answer of the login's current step
    struct curl_slist *headers = nullptr;
    char curlError[CURL_ERROR_SIZE] = {};
    int timeoutMs = DefaultTimeoutMs;
    qsizetype bodyCap = BodyCap;
    int hops = 0;
    int status = 0;
    qint64 headerBytes = 0;
    bool hostIsName = false;
    bool inHeaders = false;
    bool capped = false;
};
