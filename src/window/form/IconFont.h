#pragma once

#include "core/settings/FontChoice.h"

#include <QFont>

// The icon font lives in the preview's QFont; the settings file and the font
// dialog know it as a FontChoice. Every crossing goes through these two.
talvor::FontChoice fontChoiceOf(const QFont &font);
// The font with the choice's name, size and styles; everything else of base stays.
QFont withFontChoice(QFont base, const talvor::FontChoice &choice);
