#pragma once

#include "Extraction.h"

#include <QStringView>

#include <optional>

namespace talvor {

// The number a JSON pointer names, found by walking the text to it and
// skipping every value beside the path, without building the document: a
// router's 20 kB page and ten values cost a tenth of parsing it each time.
// Nothing where the walk cannot tell (the text is not JSON on the way, or
// the pointer is empty or not one): the parsed document then answers, with
// its own words for what is wrong.
std::optional<ReadingFound> scanPointer(QStringView text, const QString &pointer);

} // namespace talvor
