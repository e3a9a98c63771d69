#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString &programFolder)
{
    QString where = qEnvironmentVariable("TALVOR_LOCK_DIR");
    if (where.isEmpty())
        where = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (where.isEmpty())
        where = QDir::tempPath();
    const QString folder = QFileInfo(programFolder).canonicalFilePath();
    const QByteArray id = QCryptographicHash::hash((folder.isEmpty() ? programFolder : folder).toUtf8(),
                                                   QCryptographicHash::Sha1).toHex().left(16);
    m_path = QDir(where).filePath(QStringLiteral("talvor-%1.lock").arg(QString::fromLatin1(id)));
}

bool SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(m_path);
    // Only a lock whose process is gone counts as stale, never an old one whose
    // owner is still running.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    return m_lock->error() != QLockFile::LockFailedError;
}
