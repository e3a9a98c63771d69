// The control socket under callers that misbehave: one that leaves before
// its answer, idle ones past the cap, and a running copy that dribbles.
#include "monitor/SingleInstance.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void callersThatMisbehave_data();
    void callersThatMisbehave();
    void statusGivesUpOnADribblingCopy();
    void oneCopyPerFolderWhateverTheRuntimeFolder();

private:
    QTemporaryDir m_home;
};

namespace {
// The socket path the instance listens on: the only .socket in the folder.
QString socketIn(const QString &folder)
{
    const QStringList found = QDir(folder).entryList({QStringLiteral("*.socket")}, QDir::System);
    return found.isEmpty() ? QString() : QDir(folder).filePath(found.first());
}

int connectTo(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (::connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

// Asks on a thread of its own while this one runs the listener's event loop.
std::optional<QByteArray> askWhileServing(SingleInstance &asker)
{
    std::optional<QByteArray> answer;
    std::atomic<bool> done = false;
    std::thread ask([&] {
        answer = asker.askRunningCopyForStatus();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ask.join();
    return answer;
}
} // namespace

void TestSingleInstance::initTestCase()
{
    // The program ignores SIGPIPE too; the socket must not depend on it.
    std::signal(SIGPIPE, SIG_DFL);
    ::umask(0);
    qputenv("TALVOR_LOCK_DIR", m_home.path().toUtf8());
}

void TestSingleInstance::callersThatMisbehave_data()
{
    QTest::addColumn<QByteArray>("says");
    QTest::addColumn<int>("callers");
    QTest::addColumn<bool>("staysConnected");
    // Each leaves before the answer, over and over.
    QTest::newRow("status, then gone") << QByteArray("status\n") << 1000 << false;
    QTest::newRow("half a line, then gone") << QByteArray("sta") << 200 << false;
    // Far more idle callers than are served at once: they are hung up on.
    QTest::newRow("idle past the cap") << QByteArray() << 100 << true;
}

void TestSingleInstance::callersThatMisbehave()
{
    QFETCH(QByteArray, says);
    QFETCH(int, callers);
    QFETCH(bool, staysConnected);
    QTemporaryDir folder;
    SingleInstance running(folder.path());
    QVERIFY(running.acquire());
    running.setStatus(R"({"reading":57})");
    const QString path = socketIn(m_home.path());
    QVERIFY(!path.isEmpty());
    // Owner-only whatever the umask (initTestCase leaves it open).
    struct stat made { };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &made), 0);
    QCOMPARE(made.st_mode & 0777, 0600u);
    std::vector<int> held;
    for (int i = 0; i < callers; ++i) {
        const int s = connectTo(path);
        if (s < 0) {
            QCoreApplication::processEvents();
            continue;
        }
        if (!says.isEmpty())
            QCOMPARE(::send(s, says.constData(), size_t(says.size()), 0), ssize_t(says.size()));
        if (staysConnected) {
            held.push_back(s);
        } else {
            ::close(s);
            QCoreApplication::processEvents();
        }
    }
    // Idle callers are let go within a few seconds: each sees its end.
    for (const int s : held) {
        QTRY_VERIFY_WITH_TIMEOUT(::recv(s, nullptr, 0, MSG_DONTWAIT) == 0 || errno == ECONNRESET, 10000);
        ::close(s);
    }
    SingleInstance asker(folder.path());
    QCOMPARE(askWhileServing(asker).value_or("none"), QByteArray(R"({"reading":57})"));
}

void TestSingleInstance::statusGivesUpOnADribblingCopy()
{
    QTemporaryDir folder;
    QString path;
    {
        SingleInstance running(folder.path());
        QVERIFY(running.acquire());
        path = socketIn(m_home.path());
    }
    // A stand-in for the running copy that answers a byte at a time, for
    // far longer than anyone waits.
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    QVERIFY(::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(::listen(listener, 4) == 0);
    std::atomic<bool> stop = false;
    std::atomic<int> sent = 0;
    std::thread dribbler([&] {
        const int peer = ::accept(listener, nullptr, nullptr);
        for (int i = 0; i < 200 && !stop; ++i, ++sent) {
            ::send(peer, "{", 1, MSG_NOSIGNAL);
            QThread::msleep(100);
        }
        ::close(peer);
    });
    SingleInstance asker(folder.path());
    QVERIFY(!asker.askRunningCopyForStatus());
    // It gave up long before the copy would have finished its 20 s answer.
    QVERIFY(sent < 100);
    stop = true;
    dribbler.join();
    ::close(listener);
    ::unlink(name.constData());
}

// Two starts on one folder from different environments (one without a
// runtime folder) find the same lock, and the second reaches the first.
void TestSingleInstance::oneCopyPerFolderWhateverTheRuntimeFolder()
{
    const QByteArray lockDir = qgetenv("TALVOR_LOCK_DIR");
    qunsetenv("TALVOR_LOCK_DIR");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir folder, first, second;
    qputenv("XDG_RUNTIME_DIR", first.path().toUtf8());
    SingleInstance running(folder.path());
    QVERIFY(running.acquire());
    running.setStatus(R"({"reading":57})");
    qputenv("XDG_RUNTIME_DIR", second.path().toUtf8());
    SingleInstance another(folder.path());
    QVERIFY(!another.acquire());
    QCOMPARE(another.runningProcess(), qint64(::getpid()));
    QCOMPARE(askWhileServing(another), std::optional<QByteArray>(R"({"reading":57})"));
    qunsetenv("XDG_RUNTIME_DIR");
    SingleInstance third(folder.path());
    QVERIFY(!third.acquire());
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("TALVOR_LOCK_DIR", lockDir);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
