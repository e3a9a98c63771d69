#include "TrayBackend.h"

#include "core/TrayMouse.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QStyleHints>
#include <QSystemTrayIcon>

using namespace talvor;

SystemTrayBackend::SystemTrayBackend(QObject *parent)
    : TrayBackend(parent)
    , m_icon(new QSystemTrayIcon(this))
{
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            m_lastClick = -1;
            emit mouseMessage(LeftDoubleClick);
            break;
        case QSystemTrayIcon::Context:
            emit mouseMessage(RightDown);
            break;
        case QSystemTrayIcon::Trigger: {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            if (m_lastClick >= 0 && now - m_lastClick <= QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
                m_lastClick = -1;
                emit mouseMessage(LeftDoubleClick);
                break;
            }
            m_lastClick = now;
            emit mouseMessage(LeftDown);
            emit mouseMessage(LeftUp);
            break;
        }
        default:
            break;
        }
    });
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

void SystemTrayBackend::remove()
{
    m_icon->hide();
}
