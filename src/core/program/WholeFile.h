#pragma once

#include <QByteArray>
#include <QString>

namespace talvor {

// Writes bytes as the whole of path: into a file beside it, flushed, then
// renamed over it, so that a failure (a full disk among them) leaves what
// was there. Readable by its owner alone when ownerOnly. An error text (the
// system's reason), empty when written.
QString writeWholeFile(const QString &path, const QByteArray &bytes, bool ownerOnly = false);

} // namespace talvor
