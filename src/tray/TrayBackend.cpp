#include "TrayBackend.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
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
    connect(
        m_icon, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Unknown || reason == QSystemTrayIcon::MiddleClick)
                return;
            // Where the host shows the published menu, a right click is its business.
            if (reason == QSystemTrayIcon::Context && m_publishesMenu)
                return;
            decode(activationOf(reason));
            // Queued: a restore removes the icon, and with it the widget whose
            // mouse event is still being handled.
        },
        Qt::QueuedConnection);
    // On XEmbed trays Qt turns the second right press of a double-click into
    // a double-click event, which its icon passes over: catch it on the way.
    if (!m_publishesMenu)
        qApp->installEventFilter(this);
}

void SystemTrayBackend::decode(talvor::TrayActivation activation)
{
    const QList<int> codes = m_clicks.decode(activation, QDateTime::currentMSecsSinceEpoch(),
                                             QGuiApplication::styleHints()->mouseDoubleClickInterval());
    for (const int code : codes)
        emit mouseMessage(code);
}

bool SystemTrayBackend::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton
        && watched->inherits("QSystemTrayIconSys"))
        QMetaObject::invokeMethod(
            this, [this] { decode(talvor::TrayActivation::ContextClick); }, Qt::QueuedConnection);
    return TrayBackend::eventFilter(watched, event);
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
