#pragma once

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

} // namespace talvor
