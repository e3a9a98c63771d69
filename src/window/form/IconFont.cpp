#include "IconFont.h"

talvor::FontChoice fontChoiceOf(const QFont &font)
{
    return {font.family(), float(font.pointSizeF()), font.bold(), font.italic()};
}

QFont withFontChoice(QFont base, const talvor::FontChoice &choice)
{
    base.setFamily(choice.name);
    base.setPointSizeF(choice.size);
    base.setBold(choice.bold);
    base.setItalic(choice.italic);
    return base;
}
