// Any page and search text: extraction never fails, an empty search text or
// one not on the page gives no reading, and a reading is a short finite number.
#include "core/reading/Extraction.h"
#include "core/reading/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says how long the search text is; the rest is the page.
    const size_t searchLength = std::min<size_t>(data[0], size - 1);
    const QString search = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(searchLength));
    const QString page = QString::fromLatin1(reinterpret_cast<const char *>(data + 1 + searchLength),
                                             qsizetype(size - 1 - searchLength));
    const auto reading = talvor::extractReading(page, search);
    if (search.isEmpty() && reading)
        std::abort();
    if (reading) {
        if (!page.contains(search, Qt::CaseInsensitive))
            std::abort();
        const double value = talvor::leadingNumber(*reading);
        // Three characters hold at most "9E9" and at least "-99".
        if (!std::isfinite(value) || value > 9e9 || value < -99 || reading->size() > 20)
            std::abort();
    }
    return 0;
}
