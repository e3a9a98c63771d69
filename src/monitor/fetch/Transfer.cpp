#include "Transfer.h"

#include "CurlLibrary.h"
#include "CurlMulti.h"
#include "Redirects.h"
#include "core/fetch/TransferTexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Whether host is a name to look up, not an address (as curl tells them).
bool isHostName(const QString &host)
{
    const QByteArray text = host.toLatin1();
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, text.constData(), address) != 1 && inet_pton(AF_INET6, text.constData(), address) != 1;
}

} // namespace

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

namespace {

Transfer::Request &requestOf(void *self)
{
    return *static_cast<Transfer::Request *>(self);
}

size_t onBody(char *data, size_t size, size_t count, void *self)
{
    Transfer::Request &request = requestOf(self);
    const qsizetype bytes = qsizetype(size * count);
    const qsizetype room = request.bodyCap - request.body.size();
    request.body.append(data, qMin(bytes, room));
    if (bytes <= room)
        return size * count;
    // The rest of the page is never read: the transfer is complete with what
    // the program keeps of it.
    request.capped = true;
    return 0;
}

size_t onHeader(char *data, size_t size, size_t count, void *self)
{
    Transfer::Request &request = requestOf(self);
    const size_t bytes = size * count;
    const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
    if (!request.inHeaders) {
        // A new response (after a 1xx, or the first): its status line.
        request.inHeaders = true;
        request.headerBytes = 0;
        const QList<QByteArray> words = line.split(' ');
        request.reason = printable(words.mid(2).join(' '));
        request.location.clear();
        if (words.value(1) == "401")
            ++request.refusals;
        request.report(Transfer::Receiving);
    }
    request.headerBytes += qint64(bytes);
    if (request.headerBytes > Transfer::HeaderCap) {
        request.errorText =
            QStringLiteral("The server's response headers went on past %1 kB.").arg(Transfer::HeaderCap / 1024);
        return 0;
    }
    // The first, as curl itself would follow.
    if (request.location.isNull() && line.size() > 9 && line.first(9).toLower() == "location:")
        request.location = line.sliced(9).trimmed();
    // Cookies are kept from the modem's answers alone: every hop stays on its origin.
    if (request.form && line.size() > 11 && line.first(11).toLower() == "set-cookie:") {
        const QByteArray pair = line.sliced(11).split(';').value(0).trimmed();
        const qsizetype equals = pair.indexOf('=');
        const QByteArray lower = line.toLower();
        if (equals > 0) {
            const QByteArray name = pair.first(equals);
            if (lower.contains("max-age=0") || lower.contains("1970"))
                request.cookies.erase(name);
            else
                request.cookies[name] = pair.sliced(equals + 1);
        }
    }
    if (!request.user.isEmpty() && line.size() > 17 && line.first(17).toLower() == "www-authenticate:")
        request.learnScheme(line.sliced(17).trimmed());
    if (!line.isEmpty())
        return bytes;
    request.inHeaders = false;
    request.report(Transfer::ResponseReceived);
    return bytes;
}

int onResolverStart(void *, void *, void *self)
{
    Transfer::Request &request = requestOf(self);
    if (request.hostIsName)
        request.report(Transfer::Resolving);
    return 0;
}

curl_socket_t onOpenSocket(void *self, curlsocktype, curl_sockaddr *address)
{
    Transfer::Request &request = requestOf(self);
    if (request.hostIsName)
        request.report(Transfer::Resolved);
    request.report(Transfer::Connecting);
    const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    return fd < 0 ? CURL_SOCKET_BAD : fd;
}

int onPreRequest(void *self, char *, char *, int, int)
{
    Transfer::Request &request = requestOf(self);
    // A modem that answers every login with a new challenge (Digest's
    // stale=true, say) would otherwise be asked again and again within one
    // poll: the challenge, the answer and one retry are all it gets.
    if (request.refusals >= Transfer::MaxRefusals) {
        request.gaveUp = true;
        return CURL_PREREQFUNC_ABORT;
    }
    request.report(Transfer::Connected);
    request.report(Transfer::Requesting);
    return CURL_PREREQFUNC_OK;
}

int onDebug(CURL *, curl_infotype type, char *, size_t, void *self)
{
    if (type == CURLINFO_HEADER_OUT)
        requestOf(self).report(Transfer::RequestSent);
    return 0;
}

} // namespace

void Transfer::Request::learnScheme(const QByteArray &challenge)
{
    const QByteArray name = challenge.split(' ').value(0).toLower();
    // Digest is what curl picks when a modem offers both.
    if (name == "digest")
        scheme = CURLAUTH_DIGEST;
    else if (name == "basic" && scheme != CURLAUTH_DIGEST)
        scheme = CURLAUTH_BASIC;
    learnedAt = first;
}

bool Transfer::Request::start()
{
    errorText.clear();
    refusals = 0;
    gaveUp = false;
    pending.clear();
    hops = 0;
    status = 0;
    reason.clear();
    if (!loadedCurl().api) {
        errorText =
            QStringLiteral("libcurl, which fetches the page, could not be loaded: %1").arg(loadedCurl().problem);
        return false;
    }
    hostIsName = isHostName(url.host());
    const QByteArray encoded = url.toEncoded();
    first = originOf(encoded);
    if (first.scheme != learnedAt.scheme || first.host != learnedAt.host || first.port != learnedAt.port)
        scheme = CURLAUTH_BASIC | CURLAUTH_DIGEST;
    clock.start();
    statusUrl = encoded;
    phase = StatusPage;
    loggedInThisPoll = false;
    refusal.clear();
    phaseAnswer.clear();
    if (form && !session) {
        beginLogin();
        // Ended before any request (logins paused, an address off the
        // modem): its states are told once the caller is back in the loop.
        if (!easy)
            QTimer::singleShot(0, &q, [this] { emitPending(); });
        return true;
    }
    return startHop(encoded);
}

QByteArray Transfer::Request::onModem(const QString &path) const
{
    const QByteArray target = redirectTarget(statusUrl, path.toUtf8());
    const Origin at = originOf(target);
    // The login goes to the modem alone, as the password does.
    if (at.scheme != first.scheme || at.host != first.host || at.port != first.port)
        return {};
    return target;
}

void Transfer::Request::beginLogin()
{
    loggedInThisPoll = true;
    if (QDateTime::currentMSecsSinceEpoch() < loginsPausedUntil) {
        refusal = talvor::formLoginRefusedText(
            QStringLiteral("after %1 refused logins Talvor waits until %2 before it tries again (modems lock "
                           "users out)")
                .arg(FailedLoginsBeforePause)
                .arg(QDateTime::fromMSecsSinceEpoch(loginsPausedUntil).toString(QStringLiteral("HH:mm:ss"))));
        finish(Complete);
        return;
    }
    token.clear();
    if (form->page.isEmpty()) {
        sendLogin();
        return;
    }
    const QByteArray page = onModem(form->page);
    if (page.isEmpty()) {
        errorText = QStringLiteral("The login page %1 is not on the modem's scheme, host and port.").arg(form->page);
        finish(Failed);
        return;
    }
    phase = LoginPage;
    hop(page, QStringLiteral("The login page could not be asked for."));
}

void Transfer::Request::hop(const QByteArray &to, const QString &failing)
{
    dropEasy();
    phaseAnswer.clear();
    if (startHop(to))
        return;
    if (errorText.isEmpty())
        errorText = failing;
    finish(Failed);
}

void Transfer::Request::sendLogin()
{
    const talvor::LoginBody made =
        talvor::loginBody(*form, QString::fromUtf8(user), QString::fromUtf8(password), token);
    const QByteArray post = onModem(form->post);
    if (!made.problem.isEmpty() || post.isEmpty()) {
        errorText = made.problem.isEmpty()
            ? QStringLiteral("The login post %1 is not on the modem's scheme, host and port.").arg(form->post)
            : made.problem;
        finish(Failed);
        return;
    }
    postBody = made.bytes;
    phase = LoginPost;
    hop(post, QStringLiteral("The login could not be sent."));
}

void Transfer::Request::loginRefused(const QString &said)
{
    session = false;
    if (++failedLogins >= FailedLoginsBeforePause)
        loginsPausedUntil = QDateTime::currentMSecsSinceEpoch() + LoginPauseMs;
    refusal = talvor::formLoginRefusedText(talvor::hideSecrets(said, {QString::fromUtf8(password), token}));
    finish(Complete);
}

bool Transfer::Request::sessionStep()
{
    const QString answer = reason.isEmpty() ? QString::number(status) : QStringLiteral("%1 %2").arg(status).arg(reason);
    const QString path = QUrl::fromEncoded(hopUrl).path();
    if (phase == LoginPage) {
        say(QStringLiteral("Login page %1: %2").arg(path, phaseAnswer));
        if (status >= 400) {
            loginRefused(QStringLiteral("the login page %1 answered %2").arg(path, answer));
            return false;
        }
        if (!form->token.isEmpty()) {
            const auto found = talvor::findToken(QString::fromUtf8(body), form->token);
            if (!found) {
                say(QStringLiteral("No token found on the login page"));
                loginRefused(QStringLiteral("no token found on the login page %1").arg(path));
                return false;
            }
            token = *found;
            say(QStringLiteral("Token found"));
        }
        sendLogin();
        return false;
    }
    if (phase == LoginPost) {
        say(QStringLiteral("Login sent to %1: %2").arg(QUrl::fromEncoded(onModem(form->post)).path(), phaseAnswer));
        QStringList names;
        for (const auto &[name, value] : cookies)
            names << QString::fromUtf8(name);
        say(names.isEmpty() ? QStringLiteral("No cookies set")
                            : QStringLiteral("Cookies set: %1").arg(names.join(QStringLiteral(", "))));
        if (status >= 400) {
            QString said = QString::fromUtf8(body.left(200)).simplified();
            said.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
            loginRefused(said.isEmpty() ? answer : QStringLiteral("%1 (%2)").arg(answer, said.left(120)));
            return false;
        }
        session = true;
        phase = StatusPage;
        // Sent on to the status page itself: that answer is the poll's.
        if (hopUrl != statusUrl) {
            hop(statusUrl, QStringLiteral("The status page could not be asked for."));
            return false;
        }
    }
    if (!form)
        return true;
    say(QStringLiteral("Status page: %1").arg(answer));
    const auto isPath = [&path, this](const QString &other) {
        return !other.isEmpty() && QUrl::fromEncoded(onModem(other)).path() == path;
    };
    const bool ended = status == 401 || status == 403 || (hops > 0 && (isPath(form->page) || isPath(form->post)))
        || (!form->loggedOut.isEmpty()
            && QRegularExpression(form->loggedOut).match(QString::fromUtf8(body)).hasMatch());
    if (!ended) {
        failedLogins = 0;
        return true;
    }
    session = false;
    if (loggedInThisPoll) {
        // Just logged in, and the modem still asks for it: the login was not taken.
        loginRefused(QStringLiteral("the status page still asks for a login (%1)").arg(answer));
        return false;
    }
    say(QStringLiteral("The session has ended: logging in again"));
    hops = 0;
    beginLogin();
    return false;
}

bool Transfer::Request::startHop(const QByteArray &address)
{
    body.clear();
    curlError[0] = '\0';
    headerBytes = 0;
    inHeaders = false;
    capped = false;
    hopUrl = address;
    easy.reset(curl().easy_init());
    if (!easy)
        return false;
    CURL *handle = easy.get();
    // Each option carries a rule (no proxy, http and https only, redirects
    // checked here, the time limit, the caps): a libcurl that cannot honour
    // one is not used at all.
    CURLoption refused = CURLoption(0);
    CURLcode why = CURLE_OK;
    const auto set = [handle, &refused, &why](CURLoption option, auto value) {
        const CURLcode result = curl().easy_setopt(handle, option, value);
        if (result != CURLE_OK && why == CURLE_OK) {
            refused = option;
            why = result;
        }
    };
    set(CURLOPT_URL, hopUrl.constData());
    set(CURLOPT_ERRORBUFFER, curlError);
    set(CURLOPT_NOSIGNAL, 1L);
    // A modem on the LAN must never be reached through a proxy from http_proxy.
    set(CURLOPT_PROXY, "");
    set(CURLOPT_NOPROXY, "*");
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed by hand (see completed()), so that the address
    // checked is the address curl goes to next.
    set(CURLOPT_FOLLOWLOCATION, 0L);
    // The time limit is for the whole request, every hop included.
    set(CURLOPT_TIMEOUT_MS, long(qMax<qint64>(1, timeoutMs - clock.elapsed())));
    set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_USERAGENT, "Talvor");
    // Each poll stands alone; small modem web servers cope best with that.
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_WRITEFUNCTION, &onBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_HEADERFUNCTION, &onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_RESOLVER_START_FUNCTION, &onResolverStart);
    set(CURLOPT_RESOLVER_START_DATA, this);
    set(CURLOPT_OPENSOCKETFUNCTION, &onOpenSocket);
    set(CURLOPT_OPENSOCKETDATA, this);
    set(CURLOPT_PREREQFUNCTION, &onPreRequest);
    set(CURLOPT_PREREQDATA, this);
    // The debug hook is how curl tells that the request went out; with it
    // set, curl prints nothing of its own.
    set(CURLOPT_DEBUGFUNCTION, &onDebug);
    set(CURLOPT_DEBUGDATA, this);
    set(CURLOPT_VERBOSE, 1L);
    if (form) {
        // The session's cookies, to the modem's origin only: no hop leaves it.
        QByteArray jar;
        for (const auto &[name, value] : cookies)
            jar += (jar.isEmpty() ? "" : "; ") + name + '=' + value;
        cookieHeader = jar;
        if (!jar.isEmpty())
            set(CURLOPT_COOKIE, cookieHeader.constData());
        if (phase == LoginPost && hopUrl == onModem(form->post)) {
            if (headers)
                curl().slist_free_all(headers);
            headers = curl().slist_append(nullptr, ("Content-Type: " + form->contentType.toUtf8()).constData());
            if (!headers) {
                errorText = QStringLiteral("The login could not be sent: no memory for its Content-Type header.");
                easy.reset();
                return false;
            }
            set(CURLOPT_HTTPHEADER, headers);
            set(CURLOPT_POSTFIELDSIZE, long(postBody.size()));
            set(CURLOPT_POSTFIELDS, postBody.constData());
        }
    } else if (!user.isEmpty()) {
        set(CURLOPT_USERNAME, user.constData());
        set(CURLOPT_PASSWORD, password.constData());
        set(CURLOPT_HTTPAUTH, scheme);
    }
    if (why != CURLE_OK) {
        errorText = QStringLiteral("This libcurl cannot honour option %1 (%2), so the page is not fetched; "
                                   "Talvor needs libcurl 7.85 or later.")
                        .arg(int(refused))
                        .arg(QString::fromLocal8Bit(curl().easy_strerror(why)));
        easy.reset();
        return false;
    }
    if (!multi.add(handle)) {
        easy.reset();
        return false;
    }
    return true;
}

void Transfer::Request::dropEasy()
{
    if (!easy)
        return;
    const EasyHandle dropped = std::move(easy);
    multi.remove(dropped.get());
}

void Transfer::Request::finishIfDone()
{
    CURLcode result = CURLE_OK;
    if (!easy || !multi.finished(easy.get(), result))
        return;
    long code = 0;
    curl().easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &code);
    status = int(code);
    // The last refusal is the answer: the login is wrong however often asked.
    if (gaveUp) {
        status = 401;
        finish(Complete);
        return;
    }
    // The body was cut at the cap on purpose: the page is what we keep of it.
    if ((result == CURLE_OK || (result == CURLE_WRITE_ERROR && capped)) && !inHeaders) {
        completed();
        return;
    }
    if (errorText.isEmpty())
        errorText = failureText(result);
    finish(Failed);
}

void Transfer::Request::completed()
{
    if (phaseAnswer.isEmpty())
        phaseAnswer = reason.isEmpty() ? QString::number(status) : QStringLiteral("%1 %2").arg(status).arg(reason);
    if (status < 300 || status > 399 || location.isNull()) {
        if (sessionStep())
            finish(Complete);
        return;
    }
    const QByteArray target = redirectTarget(hopUrl, location);
    errorText = redirectRefusal(first, location, target);
    if (errorText.isEmpty() && ++hops > MaxRedirects)
        errorText = QStringLiteral("The server sent the request on more than %1 times.").arg(MaxRedirects);
    if (!errorText.isEmpty()) {
        finish(Failed);
        return;
    }
    dropEasy();
    if (!startHop(target) && errorText.isEmpty())
        errorText = QString::fromUtf16(u"The redirect could not be followed.");
    if (!errorText.isEmpty())
        finish(Failed);
}

QString Transfer::Request::failureText(CURLcode result) const
{
    long osError = 0;
    curl().easy_getinfo(easy.get(), CURLINFO_OS_ERRNO, &osError);
    if (result == CURLE_OK || result == CURLE_WRITE_ERROR)
        return QStringLiteral("The server closed the connection before its response headers were complete.");
    if (result == CURLE_OPERATION_TIMEDOUT)
        return QStringLiteral("No complete answer within %1 seconds.").arg(timeoutMs / 1000.0);
    // curl gives up on a header line it has no room for as if memory ran out.
    if (result == CURLE_OUT_OF_MEMORY)
        return QStringLiteral("A line of the server's response headers was too long.");
    if (result == CURLE_COULDNT_CONNECT && osError != 0)
        return QString::fromLocal8Bit(std::strerror(int(osError)));
    return QString::fromLocal8Bit(curlError[0] ? curlError : curl().easy_strerror(result));
}

void Transfer::Request::finish(State last)
{
    dropEasy();
    report(last);
}

void Transfer::Request::emitPending()
{
    // States are told only once curl is out of its callbacks, so a handler
    // may cancel or start the next request. The login's steps come before
    // the end, which the page view answers with what the page gave.
    const auto tellSteps = [this] {
        while (!steps.isEmpty())
            emit q.step(steps.takeFirst());
    };
    while (!pending.isEmpty()) {
        const State state = pending.takeFirst();
        if (state == Complete || state == Failed)
            tellSteps();
        emit q.StateChanged(state);
    }
    tellSteps();
}

Transfer::Transfer(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Request>(*this))
{
}

Transfer::~Transfer() = default;

qint32 Transfer::setUrl(const QString &text)
{
    QString withScheme = text.trimmed();
    // Users type the modem's address the way a browser accepts it.
    if (!withScheme.contains(QLatin1String("://")))
        withScheme.prepend(QLatin1String("http://"));
    QUrl url(withScheme, QUrl::TolerantMode);
    if (!url.isValid())
        return UrlMalformed;
    const QString scheme = url.scheme().toLower();
    if (scheme == u"ftp" || scheme == u"file" || scheme == u"gopher")
        return ProtocolNotSupported;
    if (scheme != u"http" && scheme != u"https")
        return UnrecognizedScheme;
    if (url.host().isEmpty())
        return NoRemoteComputer;
    d->url = url;
    return NoError;
}

qint32 Transfer::execute(const QString &url, const QString &operation)
{
    const QString op = operation.trimmed().toUpper();
    if (op == u"QUIT") {
        cancel();
        return NoError;
    }
    if (op != u"GET")
        return NotValidCommand;
    if (StillExecuting())
        return StillExecutingRequest;
    if (!url.isEmpty()) {
        if (const qint32 err = setUrl(url))
            return err;
    }
    if (d->url.isEmpty())
        return NoRemoteComputer;
    return d->start() ? NoError : InternalError;
}

bool Transfer::StillExecuting() const
{
    return d->easy != nullptr;
}

QString Transfer::errorText() const
{
    return d->errorText;
}

QString Transfer::readBody(int maxSize) const
{
    return QString::fromLatin1(d->body.left(qMax(0, maxSize)));
}

int Transfer::status() const
{
    return d->status;
}

QString Transfer::statusText() const
{
    if (d->status == 0)
        return {};
    return d->reason.isEmpty() ? QString::number(d->status) : QStringLiteral("%1 %2").arg(d->status).arg(d->reason);
}

void Transfer::cancel()
{
    d->pending.clear();
    d->dropEasy();
}

void Transfer::setLogin(const QString &user, const QString &password)
{
    d->user = user.toUtf8();
    d->password = password.toUtf8();
    d->scheme = CURLAUTH_BASIC | CURLAUTH_DIGEST;
}

void Transfer::setFormLogin(const std::optional<talvor::FormLogin> &login)
{
    if (login == d->form)
        return;
    d->form = login;
    d->session = false;
    d->cookies.clear();
    d->failedLogins = 0;
    d->loginsPausedUntil = 0;
}

namespace {
size_t dropped(char *, size_t size, size_t count, void *)
{
    return size * count;
}
} // namespace

void Transfer::logOut()
{
    Request &r = *d;
    const QByteArray target = r.form && !r.form->logout.isEmpty() ? r.onModem(r.form->logout) : QByteArray();
    if (!r.session || target.isEmpty() || !loadedCurl().api)
        return;
    r.session = false;
    const EasyHandle easy(curl().easy_init());
    if (!easy)
        return;
    QByteArray jar;
    for (const auto &[name, value] : r.cookies)
        jar += (jar.isEmpty() ? "" : "; ") + name + '=' + value;
    r.cookies.clear();
    // The same rules as every request: no proxy, http and https, no hop elsewhere.
    CURL *handle = easy.get();
    const bool set = curl().easy_setopt(handle, CURLOPT_URL, target.constData()) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_PROXY, "") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_NOPROXY, "*") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_TIMEOUT_MS, 2000L) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_USERAGENT, "Talvor") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_WRITEFUNCTION, &dropped) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_COOKIE, jar.constData()) == CURLE_OK;
    // What the modem answers changes nothing: Talvor is ending either way.
    if (set)
        curl().easy_perform(handle);
}

QString Transfer::loginRefusal() const
{
    return d->refusal;
}

bool Transfer::hasLogin() const
{
    return !d->user.isEmpty();
}

void Transfer::setBodyCap(int bytes)
{
    d->bodyCap = bytes;
}

int Transfer::bodyCap() const
{
    return int(d->bodyCap);
}

bool Transfer::bodyCut() const
{
    return d->capped;
}

void Transfer::setTimeoutMs(int ms)
{
    d->timeoutMs = ms;
}
