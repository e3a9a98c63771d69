#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// The number rules every subsystem shares. Whole-number conversions round
// halves to the even neighbour (5.5 -> 6, 4.5 -> 4) and report an overflow
// instead of wrapping.
namespace talvor {

double roundHalfEven(double value);

// Empty when the rounded value does not fit, or is not a number at all.
std::optional<qint16> toInt16(double value);
std::optional<qint32> toInt32(double value);

// Rounded like toInt16, but pinned to the 16-bit range instead of failing.
qint16 toInt16Clamped(double value);

// Reads the number at the start of a text the way users type numbers into
// the program's boxes: blanks, tabs and line feeds are skipped wherever they
// stand; a sign, digits, one decimal point and an exponent are read, or
// "&H"/"&O" introduces a hexadecimal/octal number; reading stops at any other
// character (a carriage return included). No digits give 0.
double leadingNumber(QStringView text);

// True when the whole text (blanks around it allowed) is one number in the
// forms leadingNumber reads.
bool isNumericText(QStringView text);

// "##0.0": at least one digit before the point, exactly one after.
QString formatOneDecimal(double value);

// Shortest decimal text of a value, as it is shown and logged: 57, -3, 5.5, 0.55.
QString shortestText(double value);
// The same for a single-precision value (a font size: 15.75, 8.25, 12).
QString shortestText(float value);

// The request counter adds 1 and starts again at 0 instead of reaching the
// largest 32-bit value.
qint32 nextRequestNumber(qint32 current);

} // namespace talvor
