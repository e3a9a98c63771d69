#pragma once

#include "ColorValue.h"

#include <array>

// The icon designer's 48 colour cells: 0-15 the standard colours, 16-31 fixed
// extra colours, 32-47 custom cells the user fills by double-clicking.
namespace talvor {

// Cell numbers by block, row and column, as they stand on screen.
constexpr int paletteLayout[3][4][4] = {
    {{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}, {12, 13, 14, 15}},
    {{22, 27, 21, 20}, {26, 19, 18, 17}, {24, 28, 31, 16}, {25, 30, 29, 23}},
    {{37, 36, 44, 46}, {41, 38, 43, 47}, {39, 42, 40, 45}, {35, 34, 33, 32}},
};

constexpr int FirstCustomCell = 32;

constexpr std::array<quint32, 16> standardColors = {
    rgbValue(0, 0, 0),       rgbValue(0, 0, 128),   rgbValue(0, 128, 0),   rgbValue(0, 128, 128),
    rgbValue(128, 0, 0),     rgbValue(128, 0, 128), rgbValue(128, 128, 0), rgbValue(192, 192, 192),
    rgbValue(128, 128, 128), rgbValue(0, 0, 255),   rgbValue(0, 255, 0),   rgbValue(0, 255, 255),
    rgbValue(255, 0, 0),     rgbValue(255, 0, 255), rgbValue(255, 255, 0), rgbValue(255, 255, 255),
};

constexpr std::array<quint32, 16> extraColors = {
    rgbValue(0, 192, 0),     rgbValue(255, 255, 128), rgbValue(255, 192, 128), rgbValue(255, 128, 128),
    rgbValue(192, 255, 192), rgbValue(255, 255, 192), rgbValue(255, 192, 192), rgbValue(0, 0, 128),
    rgbValue(128, 0, 0),     rgbValue(0, 0, 192),     rgbValue(192, 192, 255), rgbValue(255, 224, 192),
    rgbValue(128, 64, 0),    rgbValue(192, 64, 0),    rgbValue(192, 0, 0),     rgbValue(192, 192, 0),
};

// The colour a cell has before start-up has run: the extra colours are fixed,
// every other cell starts white.
constexpr quint32 designedCellColor(int index)
{
    return index >= 16 && index < FirstCustomCell ? extraColors[size_t(index - 16)] : rgbValue(255, 255, 255);
}

} // namespace talvor
