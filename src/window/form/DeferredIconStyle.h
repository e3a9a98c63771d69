#pragma once

#include <QProxyStyle>

// The desktop's own style, except for the overflow arrows of menu and tool
// bars: QMenuBar asks for its arrow while it is built, and Qt then loads every
// image-format plugin to read that one PNG, a few milliseconds and most of a
// megabyte spent at every start on a button a one-menu bar never shows. Those
// icons are looked up when first drawn instead.
class DeferredIconStyle : public QProxyStyle {
public:
    // Takes over base, the style Qt chose for the desktop.
    explicit DeferredIconStyle(QStyle *base);

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
