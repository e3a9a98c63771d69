#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QSysInfo>

#include <unistd.h>

namespace {
const QByteArray ShowMessage = "show\n";
const QByteArray StatusMessage = "status\n";
constexpr qsizetype LongestMessage = 16;
// A local socket's path must fit sockaddr_un (108 bytes on Linux, 104 on
// the BSDs); a deep runtime folder would make listen() fail.
constexpr qsizetype MaxSocketPath = 100;
} // namespace

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
    m_socketPath = m_path + QStringLiteral(".socket");
    // Both copies compute the same place, so the fallback needs no agreement.
    if (m_socketPath.size() > MaxSocketPath)
        m_socketPath =
            QDir(QDir::tempPath())
                .filePath(
                    QStringLiteral("talvor-%1-%2.socket").arg(QString::fromLatin1(id), QString::number(::getuid())));
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // A message is one short line, which may come in pieces.
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                QByteArray &received = m_received[socket];
                received += socket->read(LongestMessage - received.size());
                if (!received.contains('\n') && received.size() < LongestMessage)
                    return;
                const QByteArray message = received;
                m_received.remove(socket);
                if (message == StatusMessage)
                    socket->write(m_status + '\n');
                socket->disconnectFromServer();
                if (message == ShowMessage)
                    emit showRequested();
            });
            connect(socket, &QObject::destroyed, this, [this, socket] { m_received.remove(socket); });
        }
    });
}

bool SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // Only a lock whose process is gone counts as stale, never an old one whose
    // owner is still running.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError)
            return true;
        // A lock that names another host was left behind when this machine
        // had another name (runtime folders are never shared): its process
        // cannot be asked about, and it is not running here.
        qint64 pid = 0;
        QString host;
        QString application;
        if (!m_lock->getLockInfo(&pid, &host, &application) || host == QSysInfo::machineHostName()
            || !m_lock->removeStaleLockFile() || !m_lock->tryLock(0))
            return false;
    }
    // The lock is ours, so a socket left by a crashed copy is stale.
    QLocalServer::removeServer(m_socketPath);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_socketPath))
        qWarning("Talvor: a second start cannot reach this copy through %s: %s", qPrintable(m_socketPath),
                 qPrintable(m_server.errorString()));
    return true;
}

std::optional<QByteArray> SingleInstance::askRunningCopyForStatus()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(1000))
        return std::nullopt;
    socket.write(StatusMessage);
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() < 64 * 1024 && socket.waitForReadyRead(2000))
        reply += socket.readAll();
    if (!reply.contains('\n'))
        return std::nullopt;
    return reply.left(reply.indexOf('\n'));
}

bool SingleInstance::askRunningCopyToShow()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(ShowMessage);
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return sent;
}
