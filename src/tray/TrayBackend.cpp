#include "TrayBackend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QGuiApplication>
#include <QMenu>
#include <QStyleHints>
#include <QSystemTrayIcon>

namespace {

// Trays that speak StatusNotifierItem (KDE, GNOME with the AppIndicator
// extension) draw the menu an icon publishes and never show a pop-up of the
// program's own; Qt talks to them whenever their watcher is on the bus.
bool statusNotifierHostRunning()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()
        && bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

talvor::TrayActivation activationOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        return talvor::TrayActivation::DoubleClick;
    case QSystemTrayIcon::Context:
        return talvor::TrayActivation::ContextClick;
    default:
        return talvor::TrayActivation::Click;
    }
}

} // namespace

SystemTrayBackend::SystemTrayBackend(QObject *parent)
    : TrayBackend(parent)
    , m_icon(new QSystemTrayIcon(this))
    , m_publishesMenu(statusNotifierHostRunning())
{
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Unknown || reason == QSystemTrayIcon::MiddleClick)
            return;
        // Where the host shows the published menu, a right click is its business.
        if (reason == QSystemTrayIcon::Context && m_publishesMenu)
            return;
        const QList<int> codes = m_clicks.decode(activationOf(reason), QDateTime::currentMSecsSinceEpoch(),
                                                 QGuiApplication::styleHints()->mouseDoubleClickInterval());
        for (const int code : codes)
            emit mouseMessage(code);
    });
}

void SystemTrayBackend::setMenu(QMenu *menu)
{
    if (m_publishesMenu)
        m_icon->setContextMenu(menu);
}

bool SystemTrayBackend::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool SystemTrayBackend::isShown() const
{
    return m_icon->isVisible();
}

void SystemTrayBackend::show(const QIcon &icon, const QString &tip)
{
    m_icon->setIcon(icon);
    m_icon->setToolTip(tip);
    m_icon->show();
}

void SystemTrayBackend::change(const QIcon &icon, const QString &tip)
{
    m_icon->setIcon(icon);
    m_icon->setToolTip(tip);
}

void SystemTrayBackend::changeTip(const QString &tip)
{
    m_icon->setToolTip(tip);
}

void SystemTrayBackend::showMessage(const QString &title, const QString &text)
{
    m_icon->showMessage(title, text, QSystemTrayIcon::Warning);
}

void SystemTrayBackend::remove()
{
    m_icon->hide();
}
