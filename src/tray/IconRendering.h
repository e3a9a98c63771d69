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

// The colours of a stale icon: the last reading, greyed, while the modem
// gives none.
inline const QColor StaleNumber(128, 128, 128);
inline const QColor StaleBackground(224, 224, 224);
// What the icon of every negative reading shows.
inline const QString NegativeReadingText = QStringLiteral("<0");

} // namespace talvor

// The 101 icons of the readings 0 to 100, drawn in advance so that a reading
// only looks its icon up; one icon with "<0" for negative readings; and the
// same in the stale colours, each drawn the first time it is wanted (most
// runs never need one).
class IconCache {
public:
    static constexpr int Count = 101;
    // value -1 stands for every negative reading.
    void set(int value, const QPixmap &icon) { m_icons[slot(value)] = icon; }
    // Forgets the stale icons drawn so far; later ones are drawn in this font.
    void setStaleFont(const QFont &font, qreal pixelRatio)
    {
        m_staleFont = font;
        m_pixelRatio = pixelRatio;
        m_stale = {};
    }
    // Above 100 is the icon of 100; below 0 the negative icon.
    const QPixmap &icon(int value) const { return m_icons[slot(value)]; }
    const QPixmap &staleIcon(int value) const;

private:
    static size_t slot(int value) { return size_t(qBound(-1, value, Count - 1) + 1); }
    std::array<QPixmap, Count + 1> m_icons;
    mutable std::array<QPixmap, Count + 1> m_stale;
    QFont m_staleFont;
    qreal m_pixelRatio = 1;
};
