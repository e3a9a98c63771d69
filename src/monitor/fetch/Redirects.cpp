#include "Redirects.h"

#include "CurlLibrary.h"

#include <memory>

Origin originOf(const QByteArray &url)
{
    const std::unique_ptr<CURLU, UrlCleanup> parsed(curl().url());
    Origin origin;
    if (!parsed || curl().url_set(parsed.get(), CURLUPART_URL, url.constData(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return origin;
    const auto part = [&parsed](CURLUPart which, unsigned int flags) {
        char *text = nullptr;
        curl().url_get(parsed.get(), which, &text, flags);
        const std::unique_ptr<char, TextCleanup> owned(text);
        return QByteArray(text ? text : "").toLower();
    };
    origin.scheme = part(CURLUPART_SCHEME, 0);
    origin.host = part(CURLUPART_HOST, 0);
    origin.port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
    return origin;
}

QString printable(const QByteArray &text)
{
    QString shown;
    for (const char ch : text.left(80))
        shown += (uchar(ch) < 0x20 || uchar(ch) == 0x7f) ? QChar(u' ') : QChar(QLatin1Char(ch));
    return shown.trimmed();
}

QByteArray redirectTarget(const QByteArray &from, const QByteArray &location)
{
    const std::unique_ptr<CURLU, UrlCleanup> parsed(curl().url());
    if (!parsed || curl().url_set(parsed.get(), CURLUPART_URL, from.constData(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK
        || curl().url_set(parsed.get(), CURLUPART_URL, location.constData(),
                          CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE | CURLU_ALLOW_SPACE)
            != CURLUE_OK)
        return {};
    char *text = nullptr;
    if (curl().url_get(parsed.get(), CURLUPART_URL, &text, 0) != CURLUE_OK)
        return {};
    const std::unique_ptr<char, TextCleanup> owned(text);
    return QByteArray(text);
}

QString redirectRefusal(const Origin &first, const QByteArray &location, const QByteArray &target)
{
    const QString shown = printable(location.left(200));
    if (target.isEmpty())
        return QStringLiteral("The server sent the request on to an address that cannot be read (%1).").arg(shown);
    const Origin next = originOf(target);
    const char *other = nullptr;
    if (next.scheme != first.scheme)
        other = "scheme";
    else if (next.host != first.host)
        other = "host";
    else if (next.port != first.port)
        other = "port";
    if (!other)
        return {};
    return QStringLiteral("The server sent the request on to another %1 (%2); only redirects on the same scheme, "
                          "host and port are followed.")
        .arg(QLatin1String(other), shown);
}
