#pragma once

#include "window/tray/TrayBackend.h"

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
    void changeTip(const QString &t) override { tip = t; }
    void showMessage(const QString &, const QString &text, bool goodNews) override
    {
        messages << text;
        goodNewsFlags << goodNews;
    }
    QStringList messages;
    QList<bool> goodNewsFlags;
    // The mouse on the icon, as the desktop reports it.
    void mouse(int code) { emit mouseMessage(code); }
};
