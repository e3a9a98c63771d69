#pragma once

#include <QCheckBox>
#include <QString>

// Small helpers for the code that lays out the window's controls.
namespace talvor {

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

inline QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, const QString &tip = {})
{
    auto *box = named(new QCheckBox(caption, parent), name);
    box->setToolTip(tip);
    return box;
}

} // namespace talvor
