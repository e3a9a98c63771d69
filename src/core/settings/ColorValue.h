#pragma once

#include <QtGlobal>

// A colour as the settings file stores it: 0x00BBGGRR for an RGB colour, or
// 0x800000nn for the desktop's system colour number nn, resolved when drawn.
namespace talvor {

constexpr bool isSystemColor(quint32 value)
{
    return (value & 0x80000000u) != 0;
}
constexpr int systemColorIndex(quint32 value)
{
    return int(value & 0xFFu);
}
constexpr quint32 rgbValue(int r, int g, int b)
{
    return quint32(r & 0xFF) | quint32(g & 0xFF) << 8 | quint32(b & 0xFF) << 16;
}
constexpr int redOf(quint32 value)
{
    return int(value & 0xFF);
}
constexpr int greenOf(quint32 value)
{
    return int(value >> 8 & 0xFF);
}
constexpr int blueOf(quint32 value)
{
    return int(value >> 16 & 0xFF);
}

constexpr quint32 MenuTextColor = 0x80000007u;

} // namespace talvor
