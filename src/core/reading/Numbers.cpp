#include "Numbers.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace talvor {

double roundHalfEven(double value)
{
    // nearbyint follows the default rounding mode, round-to-nearest-even.
    return std::nearbyint(value);
}

namespace {

template <typename Int> std::optional<Int> toInt(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    const double r = roundHalfEven(value);
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(r);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int digitValue(QChar c, int base)
{
    int d = -1;
    if (isDigit(c))
        d = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        d = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        d = c.unicode() - u'A' + 10;
    return d >= 0 && d < base ? d : -1;
}

// A radix number of up to 16 bits reads as a signed 16-bit value and one of up
// to 32 bits as a signed 32-bit value, so "&HFFFF" is -1 as users of such
// notation expect.
double radixValue(quint64 v)
{
    if (v <= 0xFFFFu)
        return static_cast<qint16>(static_cast<quint16>(v));
    if (v <= 0xFFFFFFFFu)
        return static_cast<qint32>(static_cast<quint32>(v));
    return static_cast<double>(v);
}

// Where a decimal number ends in s from position i: returns the length of
// sign, mantissa and exponent, or 0 when there is no digit in the mantissa.
qsizetype decimalLength(QStringView s, qsizetype i, bool *hasExponent = nullptr)
{
    const qsizetype start = i, n = s.size();
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (hasExponent)
        *hasExponent = false;
    if (i < n && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        qsizetype expDigits = 0;
        while (j < n && isDigit(s[j])) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0) {
            i = j;
            if (hasExponent)
                *hasExponent = true;
        }
    }
    return i - start;
}

double parseDecimal(QStringView s)
{
    std::string ascii;
    ascii.reserve(size_t(s.size()));
    for (QChar c : s)
        ascii.push_back(c == u'd' || c == u'D' ? 'e' : char(c.unicode()));
    double v = std::strtod(ascii.c_str(), nullptr);
    // Too large a number is pinned to the largest one, never infinity.
    if (std::isinf(v))
        v = std::copysign(DBL_MAX, v);
    return v;
}

// Reads "&H..." or "&O..." from the start of s; digits counts what was read.
double parseRadix(QStringView s, qsizetype *digits)
{
    *digits = 0;
    if (s.size() < 2 || s[0] != u'&')
        return 0;
    const QChar kind = s[1].toUpper();
    const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
    if (base == 0)
        return 0;
    quint64 v = 0;
    bool tooBig = false;
    for (qsizetype i = 2; i < s.size(); ++i) {
        const int d = digitValue(s[i], base);
        if (d < 0)
            break;
        if (v > (std::numeric_limits<quint64>::max() >> 4))
            tooBig = true;
        else
            v = v * quint64(base) + quint64(d);
        ++*digits;
    }
    return tooBig ? DBL_MAX : radixValue(v);
}

} // namespace

std::optional<qint16> toInt16(double value)
{
    return toInt<qint16>(value);
}
std::optional<qint32> toInt32(double value)
{
    return toInt<qint32>(value);
}

qint16 toInt16Clamped(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = roundHalfEven(value);
    if (r < -32768.0)
        return -32768;
    if (r > 32767.0)
        return 32767;
    return static_cast<qint16>(r);
}

double leadingNumber(QStringView text)
{
    // Most texts are a plain whole number ("57", "-3"): read those directly.
    {
        qsizetype i = 0;
        const bool negative = !text.isEmpty() && text[0] == u'-';
        if (negative)
            i = 1;
        const qsizetype digitsStart = i;
        qint64 v = 0;
        while (i < text.size() && i - digitsStart < 15 && isDigit(text[i]))
            v = v * 10 + (text[i++].unicode() - u'0');
        if (i == text.size() && i > digitsStart)
            return negative ? -double(v) : double(v);
    }
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text) {
        if (!isBlank(c))
            compact.append(c);
    }
    if (compact.startsWith(u'&')) {
        qsizetype digits = 0;
        return parseRadix(compact, &digits);
    }
    const qsizetype len = decimalLength(compact, 0);
    return len == 0 ? 0.0 : parseDecimal(QStringView(compact).left(len));
}

bool isNumericText(QStringView text)
{
    // Only the blanks the reading skips may stand around the number: a
    // carriage return would stop the reading before it.
    qsizetype first = 0, last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    const QStringView t = text.mid(first, last - first);
    if (t.isEmpty())
        return false;
    if (t.startsWith(u'&')) {
        qsizetype digits = 0;
        parseRadix(t, &digits);
        return digits > 0 && digits + 2 == t.size();
    }
    if (decimalLength(t, 0) != t.size())
        return false;
    // A number too large for a double is not one the program can hold.
    return std::isfinite(std::strtod(t.toLatin1().replace('d', 'e').replace('D', 'e').constData(), nullptr));
}

QString formatOneDecimal(double value)
{
    QString s = QString::number(value, 'f', 1);
    if (s == u"-0.0")
        s = QStringLiteral("0.0");
    return s;
}

namespace {
QString generalText(double value, int digits)
{
    if (value == 0)
        return QStringLiteral("0");
    QString s = QString::number(value, 'g', digits);
    return s.replace(u'e', u'E');
}
} // namespace

QString shortestText(double value)
{
    return generalText(value, 15);
}
QString shortestText(float value)
{
    return generalText(double(value), 7);
}

qint32 nextRequestNumber(qint32 current)
{
    const qint64 next = qint64(current) + 1;
    return next >= std::numeric_limits<qint32>::max() ? 0 : qint32(next);
}

} // namespace talvor
