#include "TimelinePainting.h"

#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"

#include <QImage>
#include <QPainter>
#include <QPalette>

#include <optional>

namespace {

const QColor OutageGrey(215, 215, 215);
const QColor GoodBand(150, 220, 150);
const QColor LowBand(245, 150, 150);
const QColor AverageLine(0, 120, 0);
const QColor LowLine(190, 0, 0);
const QColor ThresholdColour(90, 90, 90);
// The strip under the plot showing each column's share of low readings.
constexpr int ShareStrip = 8;

// Time marks that fit the span: hours for a day, days for a week or a
// month, months beyond.
struct TimeMarks {
    QList<QDateTime> marks;
    QString format;
};

TimeMarks marksFor(const QDateTime &from, const QDateTime &to)
{
    const qint64 hours = from.secsTo(to) / 3600;
    TimeMarks t;
    if (hours <= 48) {
        t.format = QStringLiteral("HH:mm");
        const int step = hours <= 12 ? 1 : 3;
        QDateTime m(from.date(), QTime(from.time().hour(), 0));
        for (; m < to; m = m.addSecs(3600)) {
            if (m >= from && m.time().hour() % step == 0)
                t.marks << m;
        }
    } else if (hours <= 24 * 45) {
        t.format = hours <= 24 * 8 ? QStringLiteral("ddd d MMM") : QStringLiteral("d MMM");
        const int step = hours <= 24 * 8 ? 1 : 5;
        for (QDate d = from.date().addDays(1); d.startOfDay() < to; d = d.addDays(1)) {
            if (step == 1 || d.day() % step == 1)
                t.marks << d.startOfDay();
        }
    } else {
        t.format = hours <= 24 * 400 ? QStringLiteral("MMM") : QStringLiteral("MMM yyyy");
        const int step = hours <= 24 * 400 ? 1 : 3;
        for (QDate d(from.date().year(), from.date().month(), 1); d.startOfDay() < to; d = d.addMonths(1)) {
            if (d.startOfDay() >= from && (d.month() - 1) % step == 0)
                t.marks << d.startOfDay();
        }
    }
    return t;
}

// Columns of pixels written straight into an image over `area`.
class ColumnLayer {
public:
    explicit ColumnLayer(const QRect &area)
        : m_area(area)
        , m_image(area.size(), QImage::Format_ARGB32_Premultiplied)
    {
        m_image.fill(Qt::transparent);
        m_bits = m_image.bits();
    }
    // Rows `top` to before `bottom` of column x; `under` keeps what is there
    // where it is at least as opaque.
    void run(int x, int top, int bottom, QRgb colour, bool under = false)
    {
        x -= m_area.left();
        if (x < 0 || x >= m_image.width())
            return;
        for (int y = std::max(top - m_area.top(), 0); y < std::min(bottom - m_area.top(), m_image.height()); ++y) {
            QRgb &pixel = reinterpret_cast<QRgb *>(m_bits + y * m_image.bytesPerLine())[x];
            if (!under || qAlpha(pixel) < qAlpha(colour))
                pixel = colour;
        }
    }
    void paint(QPainter &p) const { p.drawImage(m_area.topLeft(), m_image); }

private:
    QRect m_area;
    QImage m_image;
    uchar *m_bits;
};

} // namespace

QRect timelinePlotRect(const QRect &area, const QFontMetrics &metrics, int headerLines)
{
    // Half a line more: the top value of the axis is centred on the plot's edge.
    const int top = metrics.height() * headerLines + metrics.height() / 2 + 6;
    const int axis = metrics.horizontalAdvance(QStringLiteral("100")) + 10;
    return area.adjusted(axis, top, -8, -(metrics.height() + 8 + ShareStrip + 2));
}

QString timelineFigures(const RecordStore &store, qint64 from, qint64 to, double threshold,
                        const std::optional<talvor::MinuteRow> &pending)
{
    QString text = store.figures(from, to, threshold, pending).text(threshold);
    if (const auto until = store.approximateUntil(); until && *until > from)
        text += QStringLiteral(" (approximate before %1)")
                    .arg(talvor::minuteStart(*until).toLocalTime().date().addDays(1).toString(Qt::ISODate));
    return text;
}

QString columnText(const TimelinePicture &picture, int index)
{
    const TimelineColumn &c = picture.columns[index];
    const qint64 span = picture.to - picture.from;
    const auto at = [&](qint64 i) {
        return talvor::minuteStart(picture.from + i * span / picture.columns.size()).toLocalTime();
    };
    const bool sameDay = at(index).date() == at(index + 1).date();
    QString text = at(index).toString(QStringLiteral("ddd d MMM HH:mm")) + QStringLiteral(" – ")
        + at(index + 1).toString(sameDay ? QStringLiteral("HH:mm") : QStringLiteral("ddd d MMM HH:mm"));
    const qint64 low = c.sums.low.value_or(0);
    if (c.sums.readings > 0)
        text += QStringLiteral("\n%1 of %2 readings at or below %3 (%4 %)")
                    .arg(low)
                    .arg(c.sums.readings)
                    .arg(talvor::shortestText(picture.threshold),
                         QString::number(100.0 * double(low) / double(c.sums.readings), 'f', 1))
            + QStringLiteral("\nmin %1  avg %2  max %3")
                  .arg(talvor::shortestText(c.sums.min), QString::number(c.sums.sum / c.sums.readings, 'f', 1),
                       talvor::shortestText(c.sums.max));
    if (c.outageMinutes > 0)
        text += QStringLiteral("\nNo reading for %1 min: %2").arg(c.outageMinutes).arg(c.outageReason);
    if (c.sums.readings == 0 && c.sums.failures == 0)
        text += QStringLiteral("\nTalvor was not running");
    return text;
}

void paintTimeline(QPainter &p, const QRect &area, const TimelinePicture &picture, const QPalette &palette)
{
    const QFontMetrics fm = p.fontMetrics();
    const QRect plot = timelinePlotRect(area, fm, int(picture.header.size()));
    p.fillRect(area, palette.color(QPalette::Window));
    p.setPen(palette.color(QPalette::WindowText));
    for (int line = 0; line < picture.header.size(); ++line)
        p.drawText(QRect(area.left() + 4, area.top() + 2 + line * fm.height(), area.width() - 8, fm.height()),
                   Qt::AlignLeft, picture.header[line]);
    if (plot.width() < 10 || plot.height() < 10)
        return;
    p.fillRect(plot, palette.color(QPalette::Base));

    // The histogram's rule: 0 to 100 for a page of percentages, below zero
    // for readings that go there (dBm) without 0 to 100 squashing them.
    double low = 0, high = 0;
    for (const TimelineColumn &c : picture.columns) {
        if (c.sums.readings > 0) {
            low = std::min(low, c.sums.min);
            high = std::max(high, c.sums.max);
        }
    }
    const talvor::AxisScale axis = talvor::chartAxis(low, high);
    const double scale = plot.height() / (axis.high - axis.low);
    const auto yOf = [&](double v) { return plot.bottom() - int(std::lround((v - axis.low) * scale)); };

    // Value axis and grid.
    const int steps = int(std::lround((axis.high - axis.low) / axis.step));
    for (int i = 0; i <= steps; ++i) {
        const double v = axis.low + i * axis.step;
        const int y = yOf(v);
        p.fillRect(QRect(plot.left(), y, plot.width(), 1), palette.color(QPalette::Midlight));
        const QString text = QString::number(v);
        p.drawText(QPoint(plot.left() - 6 - fm.horizontalAdvance(text), y + fm.ascent() / 2 - 1), text);
    }

    // The columns: the band red from its foot in proportion to the share of
    // low readings, the average line red where the average itself is low,
    // and the share again in the strip under the plot, where even a band of
    // one pixel shows it.
    const int count = int(std::min<qsizetype>(picture.columns.size(), plot.width()));
    const QRect strip(plot.left(), plot.bottom() + 3, plot.width(), ShareStrip);
    // Pixels first, into one layer drawn at once: a year is a thousand
    // columns of several runs each.
    ColumnLayer layer(QRect(plot.topLeft(), strip.bottomRight()));
    for (int x = 0; x < count; ++x) {
        const TimelineColumn &c = picture.columns[x];
        const int px = plot.left() + x;
        if (c.outageMinutes > 0)
            layer.run(px, plot.top() + 1, plot.bottom() + 1, OutageGrey.rgb());
        if (c.sums.readings == 0)
            continue;
        const qint64 low = c.sums.low.value_or(0);
        const double share = double(low) / double(c.sums.readings);
        // Tinted behind, so that a low stretch stands out at any range,
        // however thin its band; a few pixels wide where a quarter or more
        // was low: at a year a pixel, six hours are hardly a column.
        const int wide = share >= 0.25 ? 1 : 0;
        if (low > 0) {
            const QRgb tint = qPremultiply(qRgba(LowBand.red(), LowBand.green(), LowBand.blue(),
                                                 int(std::lround(255 * std::min(1.0, 1.5 * share)))));
            for (int t = px - wide; t <= px + wide; ++t)
                layer.run(t, plot.top() + 1, plot.bottom() + 1, tint, true);
        }
        const int top = yOf(c.sums.max);
        const int bottom = top + std::max(1, yOf(c.sums.min) - top + 1);
        const int red = int(std::lround(share * (bottom - top)));
        layer.run(px, top, bottom - red, GoodBand.rgb());
        layer.run(px, bottom - red, bottom, LowBand.rgb());
        const int stripRed = int(std::lround(share * ShareStrip));
        layer.run(px, strip.top(), strip.bottom() + 1 - stripRed, GoodBand.rgb());
        for (int t = px - wide; t <= px + wide; ++t)
            layer.run(t, strip.bottom() + 1 - stripRed, strip.bottom() + 1, LowLine.rgb());
    }
    layer.paint(p);
    // The average line over it, red where the average itself is low.
    std::optional<QPoint> previous;
    for (int x = 0; x < count; ++x) {
        const TimelineColumn &c = picture.columns[x];
        if (c.sums.readings == 0) {
            previous.reset();
            continue;
        }
        const double mean = c.sums.sum / c.sums.readings;
        const QPoint average(plot.left() + x, yOf(mean));
        p.setPen(talvor::belowThreshold(mean, picture.threshold) ? LowLine : AverageLine);
        p.drawLine(previous.value_or(average), average);
        previous = average;
    }

    // Threshold, frame and time marks.
    if (picture.threshold > axis.low && picture.threshold < axis.high) {
        const int y = yOf(picture.threshold);
        p.fillRect(QRect(plot.left(), y, plot.width(), 1), ThresholdColour);
        const QString label = QStringLiteral("threshold %1").arg(talvor::shortestText(picture.threshold));
        p.setPen(ThresholdColour);
        p.drawText(QPoint(plot.right() - 4 - fm.horizontalAdvance(label), y - fm.descent() - 1), label);
    }
    p.setPen(palette.color(QPalette::Mid));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    p.drawRect(strip.adjusted(0, -1, -1, 0));
    p.setPen(palette.color(QPalette::WindowText));
    const QDateTime from = talvor::minuteStart(picture.from).toLocalTime();
    const QDateTime to = talvor::minuteStart(picture.to).toLocalTime();
    const TimeMarks marks = marksFor(from, to);
    const double perMinute = double(plot.width()) / double(std::max<qint64>(1, picture.to - picture.from));
    int lastRight = plot.left() - 1000;
    for (const QDateTime &m : marks.marks) {
        const int x = plot.left() + int((talvor::epochMinute(m) - picture.from) * perMinute);
        const QString text = m.toString(marks.format);
        const int left = x - fm.horizontalAdvance(text) / 2;
        p.fillRect(QRect(x, strip.bottom() - 3, 1, 4), palette.color(QPalette::Mid));
        // Marks that would touch the one before are left out.
        if (left < lastRight + 8 || left + fm.horizontalAdvance(text) > area.right())
            continue;
        p.drawText(QPoint(left, strip.bottom() + 4 + fm.ascent()), text);
        lastRight = left + fm.horizontalAdvance(text);
    }
}
