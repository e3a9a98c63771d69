#pragma once

#include "app/Talvorf.h"
#include "core/Dialogs.h"

#include <QStringList>
#include <memory>

// Answers every box at once and remembers what was asked.
class FakeDialogs : public Dialogs {
public:
    bool answerYes = false;
    std::optional<FontChoice> fontAnswer;
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
    std::optional<FontChoice> chooseFont(const FontChoice &) override
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

// A main window whose dialogs the test answers.
struct TestWindow {
    FakeDialogs *dialogs = nullptr;
    std::unique_ptr<Talvorf> window;

    TestWindow()
    {
        auto fake = std::make_unique<FakeDialogs>();
        dialogs = fake.get();
        window = std::make_unique<Talvorf>(std::move(fake));
    }
    Talvorf *operator->() const { return window.get(); }
};
