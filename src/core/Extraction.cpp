#include "Extraction.h"

#include "core/Numbers.h"

namespace talvor {

std::optional<QString> extractReading(const QString &pageText, const QString &searchText)
{
    if (searchText.isEmpty())
        return std::nullopt;
    const qsizetype position = pageText.indexOf(searchText, 0, Qt::CaseInsensitive);
    if (position < 0)
        return std::nullopt;
    // Only three characters are read: modems print the number right after the
    // label, and a longer take would swallow the next field.
    const QStringView digits = QStringView(pageText).mid(position + searchText.size(), 3);
    return shortestText(leadingNumber(digits));
}

} // namespace talvor
