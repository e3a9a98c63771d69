#pragma once

#include "tray/TrayBackend.h"

#include <QStringList>

// A notification area that keeps what it is told, for tests.
class FakeTray : public TrayBackend {
    Q_OBJECT
public:
    bool available = true;
    bool shown = false;
    QIcon icon;
    QString tip;
    QStringList calls; // "show", "change", "remove"

    bool isAvailable() const override { return available; }
    bool isShown() const override { return shown; }
    void show(const QIcon &i, const QString &t) override
    {
        calls << QStringLiteral("show");
        shown = true;
        icon = i;
        tip = t;
    }
    void change(const QIcon &i, const QString &t) override
    {
        calls << QStringLiteral("change");
        icon = i;
        tip = t;
    }
    void remove() override
    {
        calls << QStringLiteral("remove");
        shown = false;
    }
    // The mouse on the icon, as the desktop reports it.
    void mouse(int code) { emit mouseMessage(code); }
};
