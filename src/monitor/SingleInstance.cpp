#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {
const QByteArray ShowMessage = "show\n";
const QByteArray StatusMessage = "status\n";
const QByteArray AimMessage = "aim\n";
const QByteArray AimWithPhoneMessage = "aim phone\n";
const QByteArray HeadlessReply = "headless\n";
constexpr qsizetype LongestMessage = 16;
// Far more than the panels and scripts of one user asking at once; beyond
// it, callers wait in the kernel's backlog rather than costing this copy.
constexpr size_t MostCallers = 32;
// A caller has this long to say its line; one that dawdles is hung up on.
constexpr qint64 CallerPatienceMs = 2000;
// --status gives up after this long in all, whatever the running copy does.
constexpr qint64 StatusDeadlineMs = 2000;
// A local socket's path must fit sockaddr_un (108 bytes on Linux, 104 on
// the BSDs); a deep runtime folder would make listen() fail.
constexpr qsizetype MaxSocketPath = 100;

std::optional<sockaddr_un> socketAddress(const QString &socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (size_t(path.size()) >= sizeof address.sun_path)
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

bool sendAll(int socket, const QByteArray &message)
{
    return ::send(socket, message.constData(), size_t(message.size()), MSG_NOSIGNAL) == message.size();
}
} // namespace

SingleInstance::SingleInstance(const QString &programFolder, QObject *parent)
    : QObject(parent)
{
    m_sweep.setInterval(500);
    connect(&m_sweep, &QTimer::timeout, this, &SingleInstance::sweepCallers);
    const QString folder = QFileInfo(programFolder).canonicalFilePath();
    const QByteArray id =
        QCryptographicHash::hash((folder.isEmpty() ? programFolder : folder).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    // The lock lives with the folder it guards, so that two starts agree on
    // it whatever their environment (one without XDG_RUNTIME_DIR, say); only
    // a folder that cannot be written keeps it in the runtime folder.
    QString where = qEnvironmentVariable("TALVOR_LOCK_DIR");
    if (!where.isEmpty()) {
        m_path = QDir(where).filePath(QStringLiteral("talvor-%1").arg(QString::fromLatin1(id)));
    } else if (QDir().mkpath(programFolder) && QFileInfo(programFolder).isWritable()) {
        m_path = QDir(programFolder).filePath(QStringLiteral("Talvor"));
    } else {
        where = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        m_path = QDir(where.isEmpty() ? QDir::tempPath() : where)
                     .filePath(QStringLiteral("talvor-%1").arg(QString::fromLatin1(id)));
    }
    m_socketPath = m_path + QStringLiteral(".socket");
    // Both copies compute the same place, so the fallback needs no agreement.
    if (m_socketPath.size() > MaxSocketPath)
        m_socketPath =
            QDir(QDir::tempPath())
                .filePath(
                    QStringLiteral("talvor-%1-%2.socket").arg(QString::fromLatin1(id), QString::number(::getuid())));
}

SingleInstance::~SingleInstance()
{
    // Each notifier goes before its socket is closed.
    for (auto &[socket, caller] : m_callers) {
        caller.readable.reset();
        ::close(socket);
    }
    if (m_listener >= 0) {
        m_accepting.reset();
        ::close(m_listener);
        ::unlink(QFile::encodeName(m_socketPath).constData());
    }
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
    if (!listen())
        qWarning("Talvor: a second start cannot reach this copy through %s: %s", qPrintable(m_socketPath),
                 std::strerror(errno));
    return true;
}

bool SingleInstance::listen()
{
    const std::optional<sockaddr_un> address = socketAddress(m_socketPath);
    if (!address) {
        errno = ENAMETOOLONG;
        return false;
    }
    // The lock is ours, so a socket left by a crashed copy is stale.
    ::unlink(address->sun_path);
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return false;
    // Only this user may ask. The socket's own mode is what Linux gives the
    // file bind makes, so it is owner-only from the start without touching
    // the umask other threads share; elsewhere the chmod after bind does it.
    const bool bound = (::fchmod(m_listener, 0600) == 0 || errno == EINVAL)
        && ::bind(m_listener, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) == 0
        && ::chmod(address->sun_path, 0600) == 0;
    if (!bound || ::listen(m_listener, 16) != 0) {
        const int error = errno;
        ::close(m_listener);
        m_listener = -1;
        errno = error;
        return false;
    }
    m_accepting = std::make_unique<QSocketNotifier>(m_listener, QSocketNotifier::Read);
    connect(m_accepting.get(), &QSocketNotifier::activated, this, &SingleInstance::acceptCallers);
    return true;
}

void SingleInstance::acceptCallers()
{
    while (m_callers.size() < MostCallers) {
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            // Out of descriptors the waiting caller stays queued and the
            // notifier would fire at once again: pause instead of spinning.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                m_accepting->setEnabled(false);
                m_sweep.start();
            }
            return;
        }
        Caller &caller = m_callers[socket];
        caller.since.start();
        caller.readable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
        connect(caller.readable.get(), &QSocketNotifier::activated, this, [this, socket] { readFrom(socket); });
        m_sweep.start();
    }
    // Full: new callers wait in the backlog until one of these leaves.
    m_accepting->setEnabled(false);
}

void SingleInstance::sweepCallers()
{
    std::vector<int> late;
    for (const auto &[socket, caller] : m_callers)
        if (caller.since.hasExpired(CallerPatienceMs))
            late.push_back(socket);
    for (const int socket : late)
        hangUp(socket);
    if (m_accepting)
        m_accepting->setEnabled(true);
    if (m_callers.empty())
        m_sweep.stop();
}

void SingleInstance::readFrom(int socket)
{
    // A message is one short line, which may come in pieces.
    QByteArray &received = m_callers[socket].received;
    char buffer[LongestMessage];
    const ssize_t got = ::read(socket, buffer, size_t(LongestMessage - received.size()));
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        hangUp(socket);
        return;
    }
    received.append(buffer, got);
    if (!received.contains('\n') && received.size() < LongestMessage)
        return;
    const QByteArray message = received;
    // Far less than a socket's buffer: it goes in one send or not at all. A
    // caller that already left must not end this copy with SIGPIPE.
    const bool show = message == ShowMessage || message == AimMessage || message == AimWithPhoneMessage;
    if (message == StatusMessage)
        sendAll(socket, m_status + '\n');
    else if (show && m_headless)
        sendAll(socket, HeadlessReply);
    hangUp(socket);
    if (!show || m_headless)
        return;
    if (message == ShowMessage)
        emit showRequested();
    else
        emit aimRequested(message == AimWithPhoneMessage);
}

void SingleInstance::hangUp(int socket)
{
    const auto found = m_callers.find(socket);
    if (found == m_callers.end())
        return;
    // Its notifier may be the one whose signal is running now.
    found->second.readable->setEnabled(false);
    found->second.readable.release()->deleteLater();
    m_callers.erase(found);
    ::close(socket);
    if (m_accepting && m_callers.size() < MostCallers)
        m_accepting->setEnabled(true);
}

int SingleInstance::connectToRunningCopy() const
{
    const std::optional<sockaddr_un> address = socketAddress(m_socketPath);
    const int socket = address ? ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0) : -1;
    if (socket < 0)
        return -1;
    // A copy that hangs must not hang this start: no wait is longer than 2 s.
    const timeval limit{2, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::connect(socket, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

std::optional<QByteArray> SingleInstance::askRunningCopyForStatus()
{
    QElapsedTimer started;
    started.start();
    const int socket = connectToRunningCopy();
    if (socket < 0)
        return std::nullopt;
    QByteArray reply;
    if (sendAll(socket, StatusMessage)) {
        // One deadline for the whole answer: a copy that dribbles a byte at
        // a time cannot keep this waiting.
        char buffer[4096];
        for (qint64 left;
             !reply.contains('\n') && reply.size() < 64 * 1024 && (left = StatusDeadlineMs - started.elapsed()) > 0;) {
            pollfd readable{socket, POLLIN, 0};
            if (::poll(&readable, 1, int(left)) <= 0)
                break;
            const ssize_t got = ::read(socket, buffer, sizeof buffer);
            if (got <= 0)
                break;
            reply.append(buffer, got);
        }
    }
    ::close(socket);
    if (!reply.contains('\n'))
        return std::nullopt;
    return reply.left(reply.indexOf('\n'));
}

SingleInstance::Answer SingleInstance::askRunningCopyToShow(Show what)
{
    const int socket = connectToRunningCopy();
    if (socket < 0)
        return Answer::None;
    Answer answer = Answer::None;
    const QByteArray message = what == Show::Window ? ShowMessage
        : what == Show::Aim                         ? AimMessage
                                                    : AimWithPhoneMessage;
    if (sendAll(socket, message)) {
        // A window hangs up at once; a headless monitor first says what it is.
        char reply[16];
        const ssize_t got = ::read(socket, reply, sizeof reply);
        answer = got > 0 && QByteArray(reply, got).startsWith(HeadlessReply) ? Answer::Headless : Answer::Shown;
    }
    ::close(socket);
    return answer;
}

qint64 SingleInstance::runningProcess() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    QLockFile lock(m_path + QStringLiteral(".lock"));
    return lock.getLockInfo(&pid, &host, &application) ? pid : 0;
}
