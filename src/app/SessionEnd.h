#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns the signals with which a desktop session or the user ends a process
// (SIGTERM, SIGHUP, SIGINT) into a call on the GUI thread, so the tray icon
// is removed and nothing is left half done.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(std::function<void()> onEnd, QObject *parent = nullptr);
    ~SessionEnd() override;

private:
    std::function<void()> m_onEnd;
    QSocketNotifier *m_notifier = nullptr;
};
