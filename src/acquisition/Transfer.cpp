#include "Transfer.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Stops watching a socket. The notifier may be the one whose signal is
// running now, so it goes once the event loop has it back.
void release(std::unique_ptr<QSocketNotifier> &notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

} // namespace

Transfer::Transfer(QObject *parent)
    : QObject(parent)
{
    m_curlTimer.setSingleShot(true);
    connect(&m_curlTimer, &QTimer::timeout, this, [this] { drive(CURL_SOCKET_TIMEOUT, 0); });
}

Transfer::~Transfer()
{
    dropEasy();
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

bool Transfer::ensureMulti()
{
    // curl (and the TLS library under it) is set up at the first request,
    // not while the window is being shown.
    if (m_multi)
        return true;
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    m_multi = initialised ? curl_multi_init() : nullptr;
    if (!m_multi)
        return false;
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &Transfer::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &Transfer::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    return true;
}

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
    m_url = url;
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
    if (m_url.isEmpty())
        return NoRemoteComputer;
    return startGet() ? NoError : UrlMalformed;
}

bool Transfer::startGet()
{
    m_body.clear();
    m_errorText.clear();
    m_pending.clear();
    m_curlError[0] = '\0';
    m_headerBytes = 0;
    m_inHeaders = false;
    m_capped = false;
    m_hostIsName = QHostAddress(m_url.host()).isNull();
    m_encodedUrl = m_url.toEncoded();

    if (!ensureMulti())
        return false;
    m_easy = curl_easy_init();
    if (!m_easy)
        return false;
    const auto set = [this](CURLoption option, auto value) { curl_easy_setopt(m_easy, option, value); };
    set(CURLOPT_URL, m_encodedUrl.constData());
    set(CURLOPT_PRIVATE, this);
    set(CURLOPT_ERRORBUFFER, m_curlError);
    set(CURLOPT_NOSIGNAL, 1L);
    // A modem on the LAN must never be reached through a proxy from http_proxy.
    set(CURLOPT_PROXY, "");
    set(CURLOPT_NOPROXY, "*");
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, long(MaxRedirects));
    set(CURLOPT_TIMEOUT_MS, long(m_timeoutMs));
    set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_USERAGENT, "Talvor");
    // Each poll stands alone; small modem web servers cope best with that.
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_RESOLVER_START_FUNCTION, &Transfer::onResolverStart);
    set(CURLOPT_RESOLVER_START_DATA, this);
    set(CURLOPT_OPENSOCKETFUNCTION, &Transfer::onOpenSocket);
    set(CURLOPT_OPENSOCKETDATA, this);
    set(CURLOPT_PREREQFUNCTION, &Transfer::onPreRequest);
    set(CURLOPT_PREREQDATA, this);
    // The debug hook is how curl tells that the request went out; with it
    // set, curl prints nothing of its own.
    set(CURLOPT_DEBUGFUNCTION, &Transfer::onDebug);
    set(CURLOPT_DEBUGDATA, this);
    set(CURLOPT_VERBOSE, 1L);
    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        dropEasy();
        return false;
    }
    return true;
}

QString Transfer::readBody(int maxSize) const
{
    return QString::fromLatin1(m_body.left(qMax(0, maxSize)));
}

void Transfer::cancel()
{
    m_pending.clear();
    dropEasy();
}

void Transfer::dropEasy()
{
    m_curlTimer.stop();
    if (!m_easy)
        return;
    CURL *easy = m_easy;
    m_easy = nullptr;
    // Removing the handle closes its sockets at once; curl tells onSocket to
    // forget them as it does.
    curl_multi_remove_handle(m_multi, easy);
    curl_easy_cleanup(easy);
    for (auto &[socket, watch] : m_sockets) {
        release(watch.read);
        release(watch.write);
    }
    m_sockets.clear();
}

void Transfer::drive(curl_socket_t socket, int events)
{
    if (!m_easy || m_driving)
        return;
    m_driving = true;
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    m_driving = false;
    finishIfDone();
    emitPending();
}

void Transfer::finishIfDone()
{
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE || message->easy_handle != m_easy)
            continue;
        const CURLcode result = message->data.result;
        // The body was cut at the cap on purpose: the page is what we keep of it.
        if (result == CURLE_OK || (result == CURLE_WRITE_ERROR && m_capped)) {
            finish(Complete);
            return;
        }
        if (m_errorText.isEmpty()) {
            long osError = 0;
            curl_easy_getinfo(m_easy, CURLINFO_OS_ERRNO, &osError);
            if (result == CURLE_OPERATION_TIMEDOUT)
                m_errorText = QStringLiteral("No complete answer within %1 seconds.").arg(m_timeoutMs / 1000.0);
            else if (result == CURLE_COULDNT_CONNECT && osError != 0)
                m_errorText = QString::fromLocal8Bit(std::strerror(int(osError)));
            else
                m_errorText = QString::fromLocal8Bit(m_curlError[0] ? m_curlError : curl_easy_strerror(result));
        }
        finish(Failed);
        return;
    }
}

void Transfer::finish(State last)
{
    dropEasy();
    report(last);
}

void Transfer::emitPending()
{
    // States are told only once curl is out of its callbacks, so a handler
    // may cancel or start the next request.
    while (!m_pending.isEmpty())
        emit StateChanged(m_pending.takeFirst());
}

void Transfer::watchSocket(curl_socket_t socket, int what)
{
    if (what == CURL_POLL_REMOVE) {
        const auto found = m_sockets.find(socket);
        if (found != m_sockets.end()) {
            release(found->second.read);
            release(found->second.write);
            m_sockets.erase(found);
        }
        return;
    }
    SocketWatch &watch = m_sockets[socket];
    const auto ensure = [this, socket](std::unique_ptr<QSocketNotifier> &notifier, QSocketNotifier::Type type,
                                       int event) {
        if (!notifier) {
            notifier = std::make_unique<QSocketNotifier>(socket, type);
            connect(notifier.get(), &QSocketNotifier::activated, this, [this, socket, event] { drive(socket, event); });
        }
        return notifier.get();
    };
    ensure(watch.read, QSocketNotifier::Read, CURL_CSELECT_IN)->setEnabled(what & CURL_POLL_IN);
    ensure(watch.write, QSocketNotifier::Write, CURL_CSELECT_OUT)->setEnabled(what & CURL_POLL_OUT);
}

int Transfer::onSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    static_cast<Transfer *>(self)->watchSocket(socket, what);
    return 0;
}

int Transfer::onTimer(CURLM *, long timeoutMs, void *self)
{
    auto *transfer = static_cast<Transfer *>(self);
    // Never call back into curl from here: the timer fires from the event loop.
    if (timeoutMs < 0)
        transfer->m_curlTimer.stop();
    else
        transfer->m_curlTimer.start(int(qMin<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

size_t Transfer::onBody(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<Transfer *>(self);
    const qsizetype bytes = qsizetype(size * count);
    const qsizetype room = Transfer::BodyCap - transfer->m_body.size();
    transfer->m_body.append(data, qMin(bytes, room));
    if (bytes <= room)
        return size * count;
    // The rest of the page is never read: the transfer is complete with what
    // the program keeps of it.
    transfer->m_capped = true;
    return 0;
}

size_t Transfer::onHeader(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<Transfer *>(self);
    const size_t bytes = size * count;
    transfer->m_headerBytes += qint64(bytes);
    if (transfer->m_headerBytes > HeaderCap) {
        transfer->m_errorText = QStringLiteral("The server's response headers went on past %1 kB.").arg(HeaderCap / 1024);
        return 0;
    }
    if (!transfer->m_inHeaders) {
        transfer->m_inHeaders = true;
        transfer->m_location.clear();
        transfer->report(Receiving);
    }
    const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
    if (line.toLower().startsWith("location:"))
        transfer->m_location = line.mid(9).trimmed();
    if (!line.isEmpty())
        return bytes;
    transfer->m_inHeaders = false;
    transfer->report(ResponseReceived);
    // Redirects are followed on the modem's own host only.
    long status = 0;
    curl_easy_getinfo(transfer->m_easy, CURLINFO_RESPONSE_CODE, &status);
    const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (!redirect || transfer->m_location.isEmpty())
        return bytes;
    char *current = nullptr;
    curl_easy_getinfo(transfer->m_easy, CURLINFO_EFFECTIVE_URL, &current);
    const QUrl next = QUrl::fromEncoded(current).resolved(QUrl::fromEncoded(transfer->m_location));
    if (next.host().compare(transfer->m_url.host(), Qt::CaseInsensitive) == 0)
        return bytes;
    transfer->m_errorText = QStringLiteral("The server sent the request on to another host (%1); only redirects "
                                           "on the same host are followed.")
                                .arg(next.toDisplayString());
    return 0;
}

int Transfer::onResolverStart(void *, void *, void *self)
{
    auto *transfer = static_cast<Transfer *>(self);
    if (transfer->m_hostIsName)
        transfer->report(Resolving);
    return 0;
}

curl_socket_t Transfer::onOpenSocket(void *self, curlsocktype, curl_sockaddr *address)
{
    auto *transfer = static_cast<Transfer *>(self);
    if (transfer->m_hostIsName)
        transfer->report(Resolved);
    transfer->report(Connecting);
    const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    return fd < 0 ? CURL_SOCKET_BAD : fd;
}

int Transfer::onPreRequest(void *self, char *, char *, int, int)
{
    auto *transfer = static_cast<Transfer *>(self);
    transfer->report(Connected);
    transfer->report(Requesting);
    return CURL_PREREQFUNC_OK;
}

int Transfer::onDebug(CURL *, curl_infotype type, char *, size_t, void *self)
{
    if (type == CURLINFO_HEADER_OUT)
        static_cast<Transfer *>(self)->report(RequestSent);
    return 0;
}
