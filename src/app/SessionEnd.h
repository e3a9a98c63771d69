#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals with which a desktop session or the user ends a process
// (SIGTERM, SIGHUP, SIGINT) into a signal on the GUI thread, so the tray icon
// is removed and nothing is left half done.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

signals:
    void ended();

private:
    QSocketNotifier *m_notifier = nullptr;
};
