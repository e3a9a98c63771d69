#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QString>

// Small helpers for the code that lays out the window's controls and fills them.
namespace talvor {

template <typename W> W *named(W *widget, const char *name)
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

namespace talvor {

// Puts a text into a box as a user's edit would: its reaction runs even when
// the box already holds that text, although Qt signals only real changes.
inline void putText(QLineEdit *box, const QString &text)
{
    if (box->text() == text)
        emit box->textChanged(text);
    else
        box->setText(text);
}

} // namespace talvor
