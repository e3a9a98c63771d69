#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
const QByteArray ShowMessage = "show\n";
}

SingleInstance::SingleInstance(const QString &programFolder, QObject *parent)
    : QObject(parent)
{
    QString where = qEnvironmentVariable("TALVOR_LOCK_DIR");
    if (where.isEmpty())
        where = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (where.isEmpty())
        where = QDir::tempPath();
    const QString folder = QFileInfo(programFolder).canonicalFilePath();
    const QByteArray id =
        QCryptographicHash::hash((folder.isEmpty() ? programFolder : folder).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    m_path = QDir(where).filePath(QStringLiteral("talvor-%1").arg(QString::fromLatin1(id)));
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(ShowMessage))
                    emit showRequested();
            });
        }
    });
}

bool SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // Only a lock whose process is gone counts as stale, never an old one whose
    // owner is still running.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0))
        return m_lock->error() != QLockFile::LockFailedError;
    // The lock is ours, so a socket left by a crashed copy is stale.
    const QString socket = m_path + QStringLiteral(".socket");
    QLocalServer::removeServer(socket);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(socket);
    return true;
}

bool SingleInstance::askRunningCopyToShow()
{
    QLocalSocket socket;
    socket.connectToServer(m_path + QStringLiteral(".socket"));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(ShowMessage);
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return sent;
}
