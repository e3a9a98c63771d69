#pragma once

#include <QString>

#include <optional>

namespace talvor {

// The reading in a page: the number read from the three characters after the
// first occurrence of searchText (letter case ignored), as shortest decimal
// text. Empty when the search text is empty or does not occur, so a wrong page
// is never taken for a reading of 0.
std::optional<QString> extractReading(const QString &pageText, const QString &searchText);

} // namespace talvor
