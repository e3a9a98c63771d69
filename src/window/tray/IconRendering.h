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

// A reading as read from another modem's page ("-105", "12.5", up to five
// characters; a longer one rounded): the user's font made smaller until the
// text fits the icon, centred, with no ">C" or "<0" standing in for it.
QImage drawReadingTextIcon(const QString &text, const QColor &background, const QColor &number, QFont font,
                           qreal devicePixelRatio = 1);

// The colours of a stale icon: the last reading, greyed, while the modem
// gives none.
inline const QColor StaleNumber(128, 128, 128);
inline const QColor StaleBackground(224, 224, 224);
// What the icon of every negative reading shows.
inline const QString NegativeReadingText = QStringLiteral("<0");

} // namespace talvor

// The 101 icons of the readings 0 to 100 and one icon with "<0" for negative
// readings, in the look chosen when the cache was last redesigned; and the same
// in the stale colours. Each is drawn the first time it is wanted and kept, so
// a reading seen before only looks its icon up, and a start or a colour change
// draws none of the icons no reading has asked for yet.
class IconCache {
public:
    static constexpr int Count = 101;
    struct Design {
        QColor background, number;       // readings above the threshold
        QColor backgroundLow, numberLow; // readings at or below it
        double threshold = 0;
        QFont font;
        qreal pixelRatio = 1;
    };
    // Forgets every icon drawn so far; later ones follow this design.
    const Design &design() const { return m_design; }
    void redesign(const Design &design)
    {
        m_design = design;
        m_icons = {};
        m_stale = {};
    }
    // Above 100 is the icon of 100; below 0 the negative icon, in 0's colours.
    const QPixmap &icon(int value) const;
    const QPixmap &staleIcon(int value) const;

private:
    static size_t slot(int value) { return size_t(qBound(-1, value, Count - 1) + 1); }
    static QString textOf(int value);
    Design m_design;
    mutable std::array<QPixmap, Count + 1> m_icons;
    mutable std::array<QPixmap, Count + 1> m_stale;
};
