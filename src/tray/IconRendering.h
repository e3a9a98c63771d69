#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <array>

namespace talvor {

constexpr int IconSize = 32;

// One tray icon: the reading's text centred on 2416/150 (not 16) in both
// directions by the font's advance and line height, drawn over the background;
// 100 and more show ">C", placed as the text of 100 would be.
QImage drawReadingIcon(const QString &text, const QColor &background, const QColor &number, const QFont &font);

} // namespace talvor

// The 101 icons of the readings 0 to 100, drawn in advance so that a reading
// only looks its icon up; and one icon with a "-" for negative readings.
class IconCache {
public:
    static constexpr int Count = 101;

    void set(int value, const QPixmap &icon) { m_icons[size_t(value)] = icon; }
    void setNegative(const QPixmap &icon) { m_negative = icon; }
    // Above 100 is the icon of 100; below 0 the negative icon.
    const QPixmap &icon(int value) const
    {
        if (value < 0)
            return m_negative;
        return m_icons[size_t(qMin(value, Count - 1))];
    }

private:
    std::array<QPixmap, Count> m_icons;
    QPixmap m_negative;
};
