// Any bytes as a settings file: the reader never fails on them, never returns
// more fields than the file may hold, and what it read survives a write and a
// second read unchanged.
#include "core/settings/Settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto fields = talvor::readSettingsFields(content);
    if (!fields)
        return 0;
    if (fields->size() > talvor::MaxSettingsFields)
        std::abort();

    talvor::Settings s;
    auto text = [&](int i) { return i < fields->size() ? fields->at(i).text : QString(); };
    s.M_refresh_rate = text(1);
    s.SShistoryLen = text(2);
    s.ssThreshold = text(3);
    s.SearchText = text(5);
    s.txtURL = text(6);
    s.font.name = text(7);
    const auto again = talvor::readSettingsFields(talvor::writeSettingsLine(s));
    if (!again || again->size() != 18)
        std::abort();
    for (int i : {1, 2, 3, 5, 6, 7}) {
        if (again->at(i).text != text(i))
            std::abort();
    }
    return 0;
}
