#pragma once

#include <QByteArray>
#include <QString>

// The transfer's redirect rule, on curl's own URL parser: the parser that
// decides where curl connects is the one whose answer is checked.

// Where a URL leads.
struct Origin {
    QByteArray scheme;
    QByteArray host;
    QByteArray port;
};
Origin originOf(const QByteArray &url);

// A server's own text (a reason phrase, a Location) made short and printable.
QString printable(const QByteArray &text);

// Where a redirect's Location leads from the address that sent it, resolved
// as curl resolves it when it follows one itself: relative to that address,
// spaces and other bytes a URL may not hold percent-encoded. Empty when
// curl's parser cannot read it.
QByteArray redirectTarget(const QByteArray &from, const QByteArray &location);

// Why a redirect from the request's first address to target is not followed;
// empty when it stays on the same scheme, host and port.
QString redirectRefusal(const Origin &first, const QByteArray &location, const QByteArray &target);
