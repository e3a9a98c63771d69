// Any text as a typed number: reading it never fails, the value is always a
// finite number, and a text that counts as numeric reads as itself trimmed.
#include "core/reading/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const double value = talvor::leadingNumber(text);
    if (!std::isfinite(value))
        std::abort();
    if (talvor::isNumericText(text) && talvor::leadingNumber(text.trimmed()) != value)
        std::abort();
    // Whole-number conversions report overflow rather than wrap.
    if (const auto v = talvor::toInt16(value); v && std::abs(double(*v) - value) > 0.5)
        std::abort();
    (void)talvor::shortestText(value);
    return 0;
}
