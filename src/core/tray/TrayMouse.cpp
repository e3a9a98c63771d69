#include "TrayMouse.h"

namespace talvor {

QList<int> TrayClickDecoder::decode(TrayActivation activation, qint64 nowMs, int doubleClickMs)
{
    const auto within = [&](qint64 last) { return last >= 0 && nowMs - last <= doubleClickMs; };
    switch (activation) {
    case TrayActivation::DoubleClick:
        m_lastClick = -1;
        return {LeftDoubleClick};
    case TrayActivation::Click:
        if (within(m_lastClick)) {
            m_lastClick = -1;
            return {LeftDoubleClick};
        }
        m_lastClick = nowMs;
        return {LeftDown, LeftUp};
    case TrayActivation::ContextClick:
        if (within(m_lastContextClick)) {
            m_lastContextClick = -1;
            return {RightDoubleClick};
        }
        m_lastContextClick = nowMs;
        return {RightDown};
    }
    return {};
}

QPoint popupPosition(QPoint cursor, QSize menu, QRect screen)
{
    const int right = cursor.x() + 1;
    const int x = right + menu.width() <= screen.right() + 1 ? right : cursor.x() - menu.width();
    const int y = cursor.y() + menu.height() <= screen.bottom() + 1 ? cursor.y() : cursor.y() - menu.height() + 1;
    return {x, qMax(screen.top(), y)};
}

} // namespace talvor
