#pragma once

#include "core/tray/TrayMouse.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;
class QSystemTrayIcon;

// The desktop's notification area as the program uses it: one icon with a tip,
// and the mouse on it reported as the mouse message numbers the program
// decodes (515 left double-click, 516 right press, 518 right double-click, ...).
class TrayBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isAvailable() const = 0;
    virtual bool isShown() const = 0;
    virtual void show(const QIcon &icon, const QString &tip) = 0;
    virtual void change(const QIcon &icon, const QString &tip) = 0;
    virtual void remove() = 0;
    virtual void changeTip(const QString &tip) = 0;
    // A desktop notification from the icon: a balloon on XEmbed trays, the
    // desktop's notification service where there is one.
    // Good news comes with the information icon, the rest with the warning one.
    virtual void showMessage(const QString &title, const QString &text, bool goodNews) = 0;
    // The program's pop-up menu, for trays that show an icon's own menu.
    virtual void setMenu(QMenu *) { }

signals:
    void mouseMessage(int code);
};

// Over QSystemTrayIcon.
class SystemTrayBackend : public TrayBackend {
    Q_OBJECT
public:
    explicit SystemTrayBackend(QObject *parent = nullptr);
    bool isAvailable() const override;
    bool isShown() const override;
    void show(const QIcon &icon, const QString &tip) override;
    void change(const QIcon &icon, const QString &tip) override;
    void remove() override;
    void changeTip(const QString &tip) override;
    void showMessage(const QString &title, const QString &text, bool goodNews) override;
    void setMenu(QMenu *menu) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void decode(talvor::TrayActivation activation);
    void askWhetherHostPublishesMenus();
    void createIcon();

    QSystemTrayIcon *m_icon = nullptr;
    QPointer<QMenu> m_menu;
    talvor::TrayClickDecoder m_clicks;
    bool m_publishesMenu = false;
};
