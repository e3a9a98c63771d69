#pragma once

#include "core/Dialogs.h"

class QWidget;

// The real boxes, parented to the main window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *parent) : m_parent(parent) {}
    bool askYesNo(const QString &text, const QString &title) override;
    void warn(const QString &text, const QString &title) override;
    std::optional<FontChoice> chooseFont(const FontChoice &initial) override;
    std::optional<quint32> chooseColor() override;

private:
    QWidget *m_parent;
    quint32 m_lastColor = 0xFFFFFF;
};
