#pragma once

#include <QByteArray>
#include <QIcon>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <functional>

struct FormState;
struct FormControls;
class TrayBackend;
class IconCache;

// What the program tells the notification area about its icon. Each
// operation writes only the fields it names; the rest go out as they were.
struct TrayData {
    quint32 cbSize = 0;
    WId hWnd = 0;
    quint32 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    qint64 hIcon = 0; // the icon's handle: its picture's cache key
    QIcon icon;
    QByteArray szTip; // 64 bytes: the tip, a NUL, then blanks

    QString tip() const;
    void setTip(const QString &tip);
};

enum NotifyOperation { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };

namespace talvor {
enum class TrayMouseAction { Restore, PopUp, None };
// What a mouse message on the tray icon does: double-clicks restore the
// window, a right press opens the pop-up menu, everything else nothing.
TrayMouseAction trayMouseAction(int code);
} // namespace talvor

// The icon in the notification area: shown while the window is hidden there or
// while "Always Show in System Tray" is ticked, refreshed with every reading.
class TrayPresence : public QObject {
    Q_OBJECT
public:
    TrayPresence(FormState &form, const FormControls &controls, QWidget &window, TrayBackend &backend,
                 const IconCache &icons, QIcon programIcon, std::function<void()> promptSaveSettings,
                 std::function<void(qint16)> markChanged, QObject *parent = nullptr);

    // Add, change or remove the icon; false when the desktop refuses.
    bool notifyIcon(NotifyOperation operation, TrayData &data);

    void HideToTray();
    void ShowInSystemTray_Click();
    void UpdateTrayIcon(qint16 &value);
    // X is a mouse position in twips; the tray reports its mouse message there.
    void Form_MouseMove(int button, int shift, float X, float Y);
    void RestoreFromTray();
    void Rest1_Click() { RestoreFromTray(); }
    void MyMenuHide_Click() {}

    const TrayData &trayData() const { return m_data; }
    TrayBackend &backend() { return m_backend; }
    const QIcon &Talvor_IconMemory() const { return m_programIcon; }
    qint64 IconToDisplay() const { return m_lastRefreshed; }

private:
    void fillRecord();
    void onMouseMessage(int code);

    FormState &m_form;
    const FormControls &m_c;
    QWidget &m_window;
    TrayBackend &m_backend;
    const IconCache &m_icons;
    QIcon m_programIcon;
    std::function<void()> m_promptSaveSettings;
    std::function<void(qint16)> m_markChanged;
    TrayData m_data;
    qint64 m_lastRefreshed = 0;
    QTimer m_retry;
    int m_retries = 0;
};
