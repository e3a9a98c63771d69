#include "CurlMulti.h"

#include "core/program/NotifierRelease.h"

#include <QSocketNotifier>

CurlMulti::CurlMulti(QObject &context, std::function<void()> worked)
    : m_context(context)
    , m_worked(std::move(worked))
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &context, [this] { drive(CURL_SOCKET_TIMEOUT, 0); });
}

CurlMulti::~CurlMulti() = default;

void CurlMulti::SocketWatch::release()
{
    talvor::releaseNotifier(read);
    talvor::releaseNotifier(write);
}

bool CurlMulti::add(CURL *easy)
{
    if (!m_multi) {
        m_multi.reset(curl().multi_init());
        if (!m_multi)
            return false;
        // Without its hooks curl would never be driven: no request at all.
        CURLM *multi = m_multi.get();
        if (curl().multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &CurlMulti::onSocket) != CURLM_OK
            || curl().multi_setopt(multi, CURLMOPT_SOCKETDATA, this) != CURLM_OK
            || curl().multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &CurlMulti::onTimer) != CURLM_OK
            || curl().multi_setopt(multi, CURLMOPT_TIMERDATA, this) != CURLM_OK) {
            m_multi.reset();
            return false;
        }
    }
    if (curl().multi_add_handle(m_multi.get(), easy) != CURLM_OK)
        return false;
    ++m_added;
    return true;
}

void CurlMulti::remove(CURL *easy)
{
    m_timer.stop();
    // Removing the handle closes its sockets at once; curl tells onSocket to
    // forget them as it does.
    curl().multi_remove_handle(m_multi.get(), easy);
    --m_added;
    for (auto &[socket, watch] : m_sockets)
        watch.release();
    m_sockets.clear();
}

bool CurlMulti::finished(CURL *easy, CURLcode &result)
{
    int left = 0;
    while (CURLMsg *message = curl().multi_info_read(m_multi.get(), &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            result = message->data.result;
            return true;
        }
    }
    return false;
}

int CurlMulti::onSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    static_cast<CurlMulti *>(self)->watchSocket(socket, what);
    return 0;
}

int CurlMulti::onTimer(CURLM *, long timeoutMs, void *self)
{
    QTimer &timer = static_cast<CurlMulti *>(self)->m_timer;
    // Never call back into curl from here: the timer fires from the event loop.
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(int(qMin<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void CurlMulti::drive(curl_socket_t socket, int events)
{
    if (m_added == 0)
        return;
    int running = 0;
    curl().multi_socket_action(m_multi.get(), socket, events, &running);
    m_worked();
}

void CurlMulti::watchSocket(curl_socket_t socket, int what)
{
    if (what == CURL_POLL_REMOVE) {
        const auto found = m_sockets.find(socket);
        if (found != m_sockets.end()) {
            found->second.release();
            m_sockets.erase(found);
        }
        return;
    }
    SocketWatch &watch = m_sockets[socket];
    const auto ensure = [this, socket](std::unique_ptr<QSocketNotifier> &notifier, QSocketNotifier::Type type,
                                       int event) {
        if (!notifier) {
            notifier = std::make_unique<QSocketNotifier>(socket, type);
            QObject::connect(notifier.get(), &QSocketNotifier::activated, &m_context,
                             [this, socket, event] { drive(socket, event); });
        }
        return notifier.get();
    };
    ensure(watch.read, QSocketNotifier::Read, CURL_CSELECT_IN)->setEnabled(what & CURL_POLL_IN);
    ensure(watch.write, QSocketNotifier::Write, CURL_CSELECT_OUT)->setEnabled(what & CURL_POLL_OUT);
}
