#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>
#include <optional>

class QSocketNotifier;

// One Talvor per program folder. The lock and a local socket live in that
// folder (Talvor.lock, Talvor.socket), so every start on it finds them; a
// copy whose folder is read-only keeps them in the user's runtime folder,
// named after the program folder. A second start asks the first, over the
// socket, to show itself.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &programFolder, QObject *parent = nullptr);
    ~SingleInstance() override;
    // False only when another running Talvor holds the lock. A lock that
    // cannot be created at all (no permission) does not stop this one.
    bool acquire();
    // What the running copy said when asked to come forward, and with it
    // its aim view (with the phone page) when asked.
    enum class Answer { None, Shown, Headless };
    enum class Show { Window, Aim, AimWithPhone };
    Answer askRunningCopyToShow(Show what = Show::Window);
    // The process holding the lock, or 0.
    qint64 runningProcess() const;
    // A monitor without a window has nothing to show: it says so instead.
    void setHeadless(bool headless) { m_headless = headless; }
    // The running copy's status line (one JSON object); nothing when none answered.
    std::optional<QByteArray> askRunningCopyForStatus();
    // What this copy answers to a status question.
    void setStatus(const QByteArray &json) { m_status = json; }

signals:
    void showRequested();
    void aimRequested(bool phone);

private:
    struct Caller {
        std::unique_ptr<QSocketNotifier> readable;
        QByteArray received;
        QElapsedTimer since;
    };
    bool listen();
    void acceptCallers();
    // Hangs up on callers that took too long and lets new ones in again.
    void sweepCallers();
    void readFrom(int socket);
    void hangUp(int socket);
    // A connection to the running copy's socket, or -1.
    int connectToRunningCopy() const;

    QString m_path; // without an ending: .lock for the lock
    QString m_socketPath;
    QByteArray m_status = "{}";
    bool m_headless = false;
    std::unique_ptr<QLockFile> m_lock;
    int m_listener = -1;
    std::unique_ptr<QSocketNotifier> m_accepting;
    std::map<int, Caller> m_callers;
    QTimer m_sweep;
};
