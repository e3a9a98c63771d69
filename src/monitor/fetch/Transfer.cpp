#include "Transfer.h"

#include "CurlLibrary.h"
#include "CurlMulti.h"
#include "Redirects.h"
#include "TransferRequest.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
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
    if (request.form)
        request.keepCookie(line);
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
        cookieHeader = cookieLine();
        if (!cookieHeader.isEmpty())
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
