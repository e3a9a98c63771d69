#include "WholeFile.h"

#include <QSaveFile>

namespace talvor {

QString writeWholeFile(const QString &path, const QByteArray &bytes, bool ownerOnly)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)
        || (ownerOnly && !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)))
        return out.errorString();
    // commit() can report success over a write that failed for a full disk,
    // and rename an empty file over the old one; flushing first catches that.
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        const QString why = out.errorString();
        out.cancelWriting();
        return why;
    }
    return out.commit() ? QString() : out.errorString();
}

} // namespace talvor
