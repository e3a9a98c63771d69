#pragma once

// What every benchmark needs: a main window loaded from a settings file that
// polls nothing and points at loopback, and percentiles of a run of figures.
#include "app/Talvorf.h"
#include "core/settings/Settings.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

// Every dialog answers "no"; a benchmark never waits on a person.
class SilentDialogs : public talvor::Dialogs {
public:
    bool askYesNo(const QString &, const QString &) override { return false; }
    void warn(const QString &text, const QString &) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    std::optional<talvor::FontChoice> chooseFont(const talvor::FontChoice &) override { return std::nullopt; }
    std::optional<quint32> chooseColor() override { return std::nullopt; }
};

inline double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

// A window in a fresh folder of its own; polling off, address on loopback.
inline std::unique_ptr<Talvorf> benchWindow(const QTemporaryDir &home)
{
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    talvor::Settings quiet = talvor::firstStartSettings();
    quiet.EnableAutoCheck = 0;
    quiet.txtURL = QStringLiteral("http://127.0.0.1:9/");
    QFile ini(QDir(home.path()).filePath(QStringLiteral("Talvor.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(talvor::writeSettingsLine(quiet)) < 0)
        return nullptr;
    ini.close();
    auto window = std::make_unique<Talvorf>(std::make_unique<SilentDialogs>());
    window->Form_Load();
    return window;
}

// The window shown and painted with logging ticked: a reading's whole path.
inline std::unique_ptr<Talvorf> shownLoggingWindow(const QTemporaryDir &home)
{
    auto window = benchWindow(home);
    if (!window)
        return nullptr;
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    window->c.DoLogFile->setChecked(true);
    return window;
}
