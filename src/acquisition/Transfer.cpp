#include "Transfer.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

Transfer::Transfer(QObject *parent)
    : QObject(parent)
{
    // A modem on the LAN must never be reached through a proxy from http_proxy.
    m_manager.setProxy(QNetworkProxy::NoProxy);
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(DefaultTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &Transfer::onTimeout);
}

Transfer::~Transfer()
{
    dropReply();
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
    if (m_busy)
        return StillExecutingRequest;
    if (!url.isEmpty()) {
        if (const qint32 err = setUrl(url))
            return err;
    }
    if (m_url.isEmpty())
        return NoRemoteComputer;
    startGet(m_url);
    return NoError;
}

void Transfer::startGet(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("User-Agent", "Talvor");
    // Each poll stands alone; small modem web servers cope best with that.
    request.setRawHeader("Connection", "close");

    m_body.clear();
    m_errorText.clear();
    m_reportedReceiving = false;
    m_hostIsName = QHostAddress(url.host()).isNull();
    m_busy = true;
    m_reply = m_manager.get(request);
    // Qt buffers no more than this ahead of us, so an endless body costs nothing.
    m_reply->setReadBufferSize(BodyCap + 1);
    connect(m_reply, &QNetworkReply::socketStartedConnecting, this, &Transfer::onStartedConnecting);
    connect(m_reply, &QNetworkReply::requestSent, this, &Transfer::onRequestSent);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &Transfer::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &Transfer::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &Transfer::onFinished);
    m_timeout.start();
}

QString Transfer::readBody(int maxSize) const
{
    return QString::fromLatin1(m_body.left(qMax(0, maxSize)));
}

void Transfer::cancel()
{
    m_timeout.stop();
    dropReply();
    m_busy = false;
}

void Transfer::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    // abort() emits finished at once; with the connections gone that is harmless.
    reply->abort();
    reply->deleteLater();
}

void Transfer::report(State state)
{
    emit StateChanged(state);
}

void Transfer::onStartedConnecting()
{
    if (m_hostIsName) {
        report(Resolving);
        report(Resolved);
    }
    report(Connecting);
}

void Transfer::onRequestSent()
{
    report(Connected);
    report(Requesting);
    report(RequestSent);
}

void Transfer::onMetaData()
{
    if (m_reportedReceiving)
        return;
    m_reportedReceiving = true;
    report(Receiving);
}

void Transfer::onReadyRead()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(BodyCap + 1 - m_body.size());
    if (m_body.size() > BodyCap) {
        // The rest of the page is never read: the transfer is complete with
        // what the program keeps of it.
        m_body.truncate(BodyCap);
        dropReply();
        finish(Complete);
    }
}

void Transfer::onFinished()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    onReadyRead();
    if (!m_reply)
        return; // the cap completed it
    const QNetworkReply::NetworkError error = reply->error();
    // An error page (404, 500, ...) is still a page the server sent; only a
    // transfer that never produced an HTTP answer is a failure.
    const bool answered = error == QNetworkReply::NoError
        || (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    if (!answered)
        m_errorText = reply->errorString();
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();
    finish(answered ? Complete : Failed);
}

void Transfer::onTimeout()
{
    if (!m_busy)
        return;
    dropReply();
    m_errorText = QStringLiteral("No complete answer within %1 seconds.").arg(m_timeout.interval() / 1000.0);
    finish(Failed);
}

void Transfer::finish(State last)
{
    m_timeout.stop();
    m_busy = false;
    if (last == Complete) {
        if (!m_reportedReceiving)
            report(Receiving);
        report(ResponseReceived);
    }
    report(last);
}
