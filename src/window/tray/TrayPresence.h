#pragma once

#include "window/form/FormPart.h"

#include <QByteArray>
#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

namespace talvor {
struct FormState;
}
class TrayBackend;
class QAction;
class QCheckBox;
class QMenu;

// The controls the tray presence reads and answers.
struct TrayControls {
    QCheckBox *ShowInSystemTray;
    QMenu *RCPopup;
    QAction *Rest1;
    QAction *MyMenuHide;
};
class IconCache;

// What the program tells the notification area about its icon: the picture
// and the tip. Each operation writes only what it names; the rest goes out as
// it was.
struct TrayData {
    QIcon icon;
    QByteArray szTip; // 64 bytes: the tip, a NUL, then blanks

    QString tip() const;
    void setTip(const QString &tip);
};

enum NotifyOperation { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };

// The icon in the notification area: shown while the window is hidden there or
// while "Always Show in System Tray" is ticked, refreshed with every reading.
class TrayPresence : public FormPart {
    Q_OBJECT
public:
    TrayPresence(talvor::FormState &form, const TrayControls &controls, QWidget &window, TrayBackend &backend,
                 const IconCache &icons, QIcon programIcon, QObject *parent = nullptr);

    // Add, change or remove the icon; false when the desktop refuses.
    bool notifyIcon(NotifyOperation operation, TrayData &data);

    void HideToTray();
    void ShowInSystemTray_Click();
    void UpdateTrayIcon(qint16 &value);
    // A reading from another modem's page, drawn as read ("-105", "12.5").
    void UpdateTrayText(const QString &reading);
    // Polling paused: the last reading greyed, with a pause mark over it.
    void showPaused(bool paused);
    // X is a mouse position in twips; the tray reports its mouse message there.
    void Form_MouseMove(int button, int shift, float X, float Y);
    void RestoreFromTray();
    // The second line of the tip: how the last poll went.
    void setStatusLine(const QString &line);
    // While stale, the icon shows the last reading greyed.
    void showStale(bool stale);
    // Sends the icon again, drawn anew (after the threshold changed).
    void redrawIcon();
    void notify(const QString &text, bool goodNews);
    void Rest1_Click() { RestoreFromTray(); }
    void MyMenuHide_Click() { }

    const TrayData &trayData() const { return m_data; }
    const QIcon &Talvor_IconMemory() const { return m_programIcon; }

signals:
    // Hiding the window: unsaved settings are offered for saving first.
    void settingsPromptDue();

private:
    void onMouseMessage(int code);
    void popUp();

    talvor::FormState &m_form;
    TrayControls m_c;
    QWidget &m_window;
    TrayBackend &m_backend;
    const IconCache &m_icons;
    QIcon m_programIcon;
    QString tipOf(const TrayData &data) const;
    // The last reading's icon (greyed while stale), or the program's.
    QIcon currentIcon() const;
    QIcon readingIcon() const;
    // Stale readings, and every reading while polling is paused, are grey.
    bool greyed() const { return m_stale || m_paused; }

    TrayData m_data;
    QString m_statusLine;
    bool m_stale = false;
    bool m_paused = false;
    // The last reading as read, while the icons of 0 to 100 cannot show it.
    std::optional<QString> m_readingText;
    qint64 m_lastRefreshed = 0;
    QTimer m_popUpLater;
    QTimer m_retry;
    int m_retries = 0;
};
