#pragma once

#include "core/settings/Dialogs.h"

class QWidget;

// The real boxes, parented to the main window.
class QtDialogs : public talvor::Dialogs {
public:
    explicit QtDialogs(QWidget *parent)
        : m_parent(parent)
    {
    }
    bool askYesNo(const QString &text, const QString &title) override;
    void warn(const QString &text, const QString &title) override;
    std::optional<talvor::FontChoice> chooseFont(const talvor::FontChoice &initial) override;
    std::optional<quint32> chooseColor() override;

private:
    QWidget *m_parent;
    quint32 m_lastColor = 0xFFFFFF;
};
