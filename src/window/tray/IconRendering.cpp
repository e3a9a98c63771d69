#include "IconRendering.h"

#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {
// The icon's centre in both directions, as users' icons have always been drawn.
constexpr double Centre = 2416.0 / 150.0;
// The icon surface measures fonts at 96 dots per inch, as the desktop does.
constexpr int DotsPerMeter96 = 3780;
// An icon's surface filled with the background: 32 by 32 at 96 dots per
// inch, with that many more pixels at a device pixel ratio above 1.
QImage iconSurface(const QColor &background, qreal devicePixelRatio)
{
    const int side = qRound(talvor::IconSize * qMax<qreal>(1, devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(qreal(side) / talvor::IconSize);
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    image.fill(background);
    return image;
}

} // namespace

QImage talvor::drawReadingIcon(const QString &text, const QColor &background, const QColor &number, const QFont &font,
                               qreal devicePixelRatio)
{
    QImage image = iconSurface(background, devicePixelRatio);

    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(number);
    const QFontMetricsF metrics(painter.font(), &image);
    const double x = Centre - metrics.horizontalAdvance(text) / 2;
    const double y = Centre - metrics.height() / 2;
    // The top-left corner of the text sits at (x, y); the painter wants the baseline.
    const QString shown = leadingNumber(text) < 100 ? text : QStringLiteral(">C");
    painter.drawText(QPointF(x, y + metrics.ascent()), shown);
    return image;
}

QImage talvor::drawReadingTextIcon(const QString &text, const QColor &background, const QColor &number, QFont font,
                                   qreal devicePixelRatio)
{
    QImage image = iconSurface(background, devicePixelRatio);
    // Five characters fit a size one can read; a longer reading loses its
    // decimals ("-105.5" shows as "-106").
    const QString shown = text.size() > 5 ? shortestText(std::round(leadingNumber(text))) : text;
    // A point smaller at a time, as far as a size one can still read.
    QRectF ink;
    for (qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : 12;; size -= 0.5) {
        font.setPointSizeF(size);
        ink = QFontMetricsF(font, &image).tightBoundingRect(shown);
        if ((ink.width() <= IconSize - 2 && ink.height() <= IconSize - 2) || size <= 5)
            break;
    }
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(number);
    // The ink, not the advance, is centred: a minus sign's bearing is wide.
    painter.drawText(QPointF(IconSize / 2.0 - ink.center().x(), IconSize / 2.0 - ink.center().y()), shown);
    return image;
}

QString IconCache::textOf(int value)
{
    return value < 0 ? talvor::NegativeReadingText : QString::number(qMin(value, Count - 1));
}

const QPixmap &IconCache::icon(int value) const
{
    QPixmap &icon = m_icons[slot(value)];
    if (icon.isNull()) {
        const bool low = talvor::belowThreshold(qBound(0, value, Count - 1), m_design.threshold);
        icon = QPixmap::fromImage(
            talvor::drawReadingIcon(textOf(value), low ? m_design.backgroundLow : m_design.background,
                                    low ? m_design.numberLow : m_design.number, m_design.font, m_design.pixelRatio));
    }
    return icon;
}

const QPixmap &IconCache::staleIcon(int value) const
{
    QPixmap &icon = m_stale[slot(value)];
    if (icon.isNull())
        icon = QPixmap::fromImage(talvor::drawReadingIcon(textOf(value), talvor::StaleBackground, talvor::StaleNumber,
                                                          m_design.font, m_design.pixelRatio));
    return icon;
}
