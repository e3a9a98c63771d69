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
// 100 and more show ">C", placed as the text of 100 would be. At a device
// pixel ratio above 1 the same drawing gets that many more pixels (64 x 64
// at 2), so HiDPI trays show sharp digits.
QImage drawReadingIcon(const QString &text, const QColor &background, const QColor &number, const QFont &font,
                       qreal devicePixelRatio = 1);

} // namespace talvor

namespace talvor {
// The colours of a stale icon: the last reading, greyed, while the modem
// gives none.
inline const QColor StaleNumber(128, 128, 128);
inline const QColor StaleBackground(224, 224, 224);
} // namespace talvor

// The 101 icons of the readings 0 to 100, drawn in advance so that a reading
// only looks its icon up; one icon with a "-" for negative readings; and the
// same again in the stale colours.
class IconCache {
public:
    static constexpr int Count = 101;

    // value -1 stands for every negative reading.
    void set(int value, bool stale, const QPixmap &icon) { (stale ? m_stale : m_icons)[slot(value)] = icon; }
    // Above 100 is the icon of 100; below 0 the negative icon.
    const QPixmap &icon(int value, bool stale = false) const { return (stale ? m_stale : m_icons)[slot(value)]; }

private:
    static size_t slot(int value) { return size_t(qBound(-1, value, Count - 1) + 1); }
    std::array<QPixmap, Count + 1> m_icons;
    std::array<QPixmap, Count + 1> m_stale;
};
