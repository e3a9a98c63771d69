#include "TrayPresence.h"

#include "IconRendering.h"
#include "TrayBackend.h"
#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"
#include "core/settings/ChangeCodes.h"
#include "core/settings/FormState.h"
#include "core/tray/TrayMouse.h"

#include <QCheckBox>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>

namespace {
constexpr int TipBytes = 64;

const QString HiddenTip = QStringLiteral("Talvor Double Click to Restore");
const QString AlwaysTip = QStringLiteral("Talvor");
} // namespace

QString TrayData::tip() const
{
    const qsizetype end = szTip.indexOf('\0');
    return QString::fromLatin1(end < 0 ? szTip : szTip.left(end));
}

void TrayData::setTip(const QString &tip)
{
    szTip = tip.toLatin1().left(TipBytes - 1) + '\0';
    szTip.append(TipBytes - szTip.size(), ' ');
}

TrayPresence::TrayPresence(talvor::FormState &form, const TrayControls &controls, QWidget &window, TrayBackend &backend,
                           const IconCache &icons, QIcon programIcon, QObject *parent)
    : FormPart(parent)
    , m_form(form)
    , m_c(controls)
    , m_window(window)
    , m_backend(backend)
    , m_icons(icons)
    , m_programIcon(std::move(programIcon))
{
    connect(&m_backend, &TrayBackend::mouseMessage, this, &TrayPresence::onMouseMessage);
    m_backend.setMenu(m_c.RCPopup);
    m_popUpLater.setSingleShot(true);
    connect(&m_popUpLater, &QTimer::timeout, this, &TrayPresence::popUp);
    m_retry.setSingleShot(true);
    m_retry.setInterval(2000);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        --m_retries;
        if (m_window.isMinimized() && !m_form.InTray)
            HideToTray();
    });
    connect(m_c.ShowInSystemTray, &QCheckBox::toggled, this, &TrayPresence::ShowInSystemTray_Click);
    connect(m_c.Rest1, &QAction::triggered, this, &TrayPresence::Rest1_Click);
    connect(m_c.MyMenuHide, &QAction::triggered, this, &TrayPresence::MyMenuHide_Click);
}

bool TrayPresence::notifyIcon(NotifyOperation operation, TrayData &data)
{
    switch (operation) {
    case NIM_ADD:
        // An icon that is already there stays as it is.
        if (m_backend.isShown() || !m_backend.isAvailable())
            return false;
        m_backend.show(data.icon, tipOf(data));
        return true;
    case NIM_MODIFY:
        if (!m_backend.isShown())
            return false;
        m_backend.change(data.icon, tipOf(data));
        return true;
    case NIM_DELETE: {
        // Removing an icon that is not there does no harm.
        const bool wasShown = m_backend.isShown();
        m_backend.remove();
        return wasShown;
    }
    }
    return false;
}

void TrayPresence::HideToTray()
{
    emit settingsPromptDue();
    // Without a notification area a hidden window could never come back:
    // it is minimised instead.
    if (!m_backend.isAvailable()) {
        m_window.showMinimized();
        // At login the notification area often comes up after the programs
        // started with the session: look again for a while.
        if (m_form.Loading)
            m_retries = 15;
        if (m_retries > 0)
            m_retry.start();
        return;
    }
    m_form.InTray = true;
    m_data.icon = m_form.Loading ? m_programIcon : currentIcon();
    m_data.setTip(HiddenTip);
    notifyIcon(NIM_ADD, m_data);
    m_window.hide();
}

void TrayPresence::ShowInSystemTray_Click()
{
    if (m_c.ShowInSystemTray->isChecked()) {
        m_data.icon = currentIcon();
        m_data.setTip(AlwaysTip);
        notifyIcon(NIM_ADD, m_data);
    } else {
        notifyIcon(NIM_DELETE, m_data);
        m_window.setWindowIcon(m_programIcon);
    }
    emit settingsChanged(talvor::AlwaysInTraySwitched);
}

void TrayPresence::UpdateTrayIcon(qint16 &value)
{
    m_readingText.reset();
    if (m_paused)
        return redrawIcon();
    if (value > 99)
        value = 100;
    // A test mode's reading while the modem gives none is shown greyed: the
    // tip still says since when the modem has given no reading.
    const QPixmap &icon = greyed() ? m_icons.staleIcon(value) : m_icons.icon(value);
    // Nothing is sent for the icon refreshed last time, even if an add has
    // shown another one since.
    if (icon.cacheKey() == m_lastRefreshed)
        return;
    m_lastRefreshed = icon.cacheKey();
    m_data.icon = QIcon(icon);
    notifyIcon(NIM_MODIFY, m_data);
}

void TrayPresence::UpdateTrayText(const QString &reading)
{
    m_readingText = reading;
    redrawIcon();
}

void TrayPresence::Form_MouseMove(int, int, float X, float)
{
    const double twipsPerPixel = 1440.0 / std::max(1, m_window.logicalDpiX());
    const auto code = talvor::toInt32(double(X) / twipsPerPixel).value_or(0);
    switch (talvor::trayMouseAction(code)) {
    case talvor::TrayMouseAction::Restore:
        // The second click of a right double-click takes back what the first began.
        m_popUpLater.stop();
        m_c.RCPopup->hide();
        RestoreFromTray();
        break;
    case talvor::TrayMouseAction::PopUp:
        // An open pop-up takes the next click for itself, so the second click
        // of a right double-click would never reach the icon: the pop-up waits
        // out the double-click time first.
        m_popUpLater.start(QGuiApplication::styleHints()->mouseDoubleClickInterval());
        break;
    case talvor::TrayMouseAction::None:
        break;
    }
}

void TrayPresence::popUp()
{
    const QPoint cursor = QCursor::pos();
    const QScreen *screen = QGuiApplication::screenAt(cursor);
    // With no screen under the pointer (none known yet), room on every side.
    const QRect area = screen ? screen->availableGeometry() : QRect(cursor - QPoint(4096, 4096), QSize(8192, 8192));
    m_c.RCPopup->popup(talvor::popupPosition(cursor, m_c.RCPopup->sizeHint(), area));
}

void TrayPresence::onMouseMessage(int code)
{
    const double twipsPerPixel = 1440.0 / std::max(1, m_window.logicalDpiX());
    Form_MouseMove(0, 0, float(code * twipsPerPixel), 0);
}

QString TrayPresence::tipOf(const TrayData &data) const
{
    return m_statusLine.isEmpty() ? data.tip() : data.tip() + u'\n' + m_statusLine;
}

void TrayPresence::setStatusLine(const QString &line)
{
    m_statusLine = line;
    if (m_backend.isShown())
        m_backend.changeTip(tipOf(m_data));
}

void TrayPresence::showStale(bool stale)
{
    m_stale = stale;
    // Whichever icon comes next, the tray must be sent it.
    m_lastRefreshed = 0;
    if (stale)
        redrawIcon();
}

void TrayPresence::redrawIcon()
{
    m_lastRefreshed = 0;
    m_data.icon = currentIcon();
    notifyIcon(NIM_MODIFY, m_data);
}

QIcon TrayPresence::currentIcon() const
{
    const QIcon icon = readingIcon();
    if (!m_paused)
        return icon;
    // Paused: two bars over the greyed reading, as media players show it.
    QPixmap marked = icon.pixmap(QSize(talvor::IconSize, talvor::IconSize));
    QPainter painter(&marked);
    const QColor bars(64, 64, 64, 200);
    painter.fillRect(QRectF(9, 7, 5, 18), bars);
    painter.fillRect(QRectF(18, 7, 5, 18), bars);
    return QIcon(marked);
}

QIcon TrayPresence::readingIcon() const
{
    if (m_readingText) {
        const IconCache::Design &d = m_icons.design();
        const bool low = talvor::leadingNumber(*m_readingText) <= d.threshold;
        return QIcon(QPixmap::fromImage(talvor::drawReadingTextIcon(*m_readingText,
                                                                    greyed()  ? talvor::StaleBackground
                                                                        : low ? d.backgroundLow
                                                                              : d.background,
                                                                    greyed()  ? talvor::StaleNumber
                                                                        : low ? d.numberLow
                                                                              : d.number,
                                                                    d.font, d.pixelRatio)));
    }
    // Before the first reading the program's own icon stands in, greyed
    // once polls have gone without a reading.
    if (!m_form.ReadingIndex)
        return greyed() ? QIcon(m_programIcon.pixmap(QSize(32, 32), QIcon::Disabled)) : m_programIcon;
    const QPixmap &cached = greyed() ? m_icons.staleIcon(*m_form.ReadingIndex) : m_icons.icon(*m_form.ReadingIndex);
    return cached.isNull() ? m_programIcon : QIcon(cached);
}

void TrayPresence::showPaused(bool paused)
{
    m_paused = paused;
    redrawIcon();
}

void TrayPresence::notify(const QString &text, bool goodNews)
{
    if (m_backend.isShown())
        m_backend.showMessage(QStringLiteral("Talvor"), text, goodNews);
}

void TrayPresence::RestoreFromTray()
{
    if (!m_c.ShowInSystemTray->isChecked())
        notifyIcon(NIM_DELETE, m_data);
    m_window.show();
    m_window.showNormal();
    m_form.InTray = false;
    m_window.setWindowIcon(m_programIcon);
}
