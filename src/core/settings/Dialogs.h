#pragma once

#include "FontChoice.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace talvor {

// Every box the program can put in front of the user. The window uses the real
// Qt dialogs; tests hand in their own answers, so nothing ever waits on a click.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Yes/No question; true for Yes.
    virtual bool askYesNo(const QString &text, const QString &title) = 0;
    virtual void warn(const QString &text, const QString &title) = 0;
    // Empty when the user cancels.
    virtual std::optional<FontChoice> chooseFont(const FontChoice &initial) = 0;
    // A colour as 0x00BBGGRR; empty when the user cancels.
    virtual std::optional<quint32> chooseColor() = 0;
};

} // namespace talvor
