#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace talvor {

// The mouse on the tray icon, as the notification area reports it.
enum TrayMouseMessage : int {
    MouseMoveMessage = 512,
    LeftDown = 513,
    LeftUp = 514,
    LeftDoubleClick = 515,
    RightDown = 516,
    RightDoubleClick = 518,
};

enum class TrayMouseAction { Restore, PopUp, None };

// What a mouse message on the tray icon does: double-clicks restore the
// window, a right press opens the pop-up menu, everything else nothing.
constexpr TrayMouseAction trayMouseAction(int code)
{
    switch (code) {
    case LeftDoubleClick:
    case RightDoubleClick:
        return TrayMouseAction::Restore;
    case RightDown:
        return TrayMouseAction::PopUp;
    default:
        return TrayMouseAction::None;
    }
}

// What the desktop reports of a click on the tray icon.
enum class TrayActivation { Click, DoubleClick, ContextClick };

// Turns the tray's activations into the mouse messages above. Trays that
// speak StatusNotifierItem never report a double-click, and no tray reports a
// right double-click: two clicks of one button within the desktop's
// double-click time count as one.
class TrayClickDecoder {
public:
    QList<int> decode(TrayActivation activation, qint64 nowMs, int doubleClickMs);

private:
    qint64 m_lastClick = -1;
    qint64 m_lastContextClick = -1;
};

// Where a pop-up menu of this size opens for a click at the cursor: beside
// the pointer, never under it, so the next click of a double-click cannot
// land on an item; above the pointer where there is no room below.
QPoint popupPosition(QPoint cursor, QSize menu, QRect screen);

} // namespace talvor
