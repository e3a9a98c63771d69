#pragma once

#include "FakeTray.h"
#include "SettingsFiles.h"
#include "app/Talvorf.h"
#include "core/settings/Dialogs.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Answers every box at once and remembers what was asked.
class FakeDialogs : public talvor::Dialogs {
public:
    bool answerYes = false;
    std::optional<talvor::FontChoice> fontAnswer;
    std::optional<quint32> colorAnswer;

    QStringList questions; // "title|text"
    QStringList warnings;
    int fontDialogs = 0;
    int colorDialogs = 0;

    bool askYesNo(const QString &text, const QString &title) override
    {
        questions << title + u'|' + text;
        return answerYes;
    }
    void warn(const QString &text, const QString &) override { warnings << text; }
    std::optional<talvor::FontChoice> chooseFont(const talvor::FontChoice &) override
    {
        ++fontDialogs;
        return fontAnswer;
    }
    std::optional<quint32> chooseColor() override
    {
        ++colorDialogs;
        return colorAnswer;
    }
};

// A main window whose dialogs the test answers and whose tray it watches.
// Ending the process only counts the calls.
struct TestWindow {
    FakeDialogs *dialogs = nullptr;
    FakeTray *tray = nullptr;
    int processEnds = 0;
    std::unique_ptr<Talvorf> window;

    TestWindow()
    {
        auto fakeDialogs = std::make_unique<FakeDialogs>();
        auto fakeTray = std::make_unique<FakeTray>();
        dialogs = fakeDialogs.get();
        tray = fakeTray.get();
        window = std::make_unique<Talvorf>(std::move(fakeDialogs), std::move(fakeTray));
        QObject::connect(window.get(), &Talvorf::exitRequested, [this] { ++processEnds; });
    }
    Talvorf *operator->() const { return window.get(); }
};

// A window loaded from settings in the folder `home` that poll nothing and
// point at loopback.
inline std::unique_ptr<TestWindow> loadTestWindow(const QTemporaryDir &home)
{
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    writeFile(QDir(home.path()).filePath(QStringLiteral("Talvor.ini")),
              settingsLine(QStringLiteral("http://127.0.0.1:9/"), "50", 0));
    auto window = std::make_unique<TestWindow>();
    window->window->Form_Load();
    return window;
}
