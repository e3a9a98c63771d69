#include "HistogramChart.h"

#include "core/reading/Numbers.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStaticText>

#include <cmath>

namespace {
const QColor AboveColor(0, 192, 0);
const QColor BelowColor(255, 0, 0);
const QColor ThresholdColor(96, 96, 96);
// Rows the chart has until the history length sets its own count.
constexpr int DesignedRows = 20;
} // namespace

HistogramChart::HistogramChart(QWidget *parent)
    : QWidget(parent)
    , m_rows(DesignedRows)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_figures.setTextFormat(Qt::PlainText);
}

void HistogramChart::setRowCount(int rows)
{
    m_rows.resize(size_t(qBound(1, rows, MaxRows)));
    m_row = qMin(m_row, rowCount());
    scheduleRepaint();
}

void HistogramChart::setData(const QString &text)
{
    Row &row = m_rows[size_t(m_row - 1)];
    row.cells[m_column - 1] = text;
    row.values[m_column - 1] = text.isEmpty() ? 0.0 : talvor::leadingNumber(text);
    scheduleRepaint();
}

QString HistogramChart::data() const
{
    return m_rows[size_t(m_row - 1)].cells[m_column - 1];
}

void HistogramChart::scheduleRepaint()
{
    // A refill writes thousands of cells; one repaint request covers them all.
    if (m_repaintPending)
        return;
    m_repaintPending = true;
    update();
}

void HistogramChart::paintEvent(QPaintEvent *)
{
    m_repaintPending = false;
    QPainter p(this);

    double minValue = 0, maxValue = 0;
    for (const Row &row : m_rows) {
        for (const double v : row.values) {
            minValue = std::min(minValue, v);
            maxValue = std::max(maxValue, v);
        }
    }
    const talvor::AxisScale axis = talvor::chartAxis(minValue, maxValue);
    const QRect plot = plotRect(p.fontMetrics(), axis);
    if (plot.width() < 10 || plot.height() < 10) {
        p.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    // The frame around the plot, then the bars over all of it.
    const QColor window = palette().color(QPalette::Window);
    p.fillRect(QRect(0, 0, width(), plot.top()), window);
    p.fillRect(QRect(0, plot.top(), plot.left(), plot.height()), window);
    p.fillRect(QRect(plot.right() + 1, plot.top(), width() - plot.right() - 1, plot.height()), window);
    p.fillRect(QRect(0, plot.bottom() + 1, width(), height() - plot.bottom() - 1), window);
    paintAxis(p, plot, axis.low, axis.high, axis.step);
    paintBars(p, plot, axis);
    paintLabels(p, plot);
    paintThreshold(p, plot, axis);
    // A stroked rectangle this large costs more than four filled lines.
    const QColor border = palette().color(QPalette::Mid);
    p.fillRect(QRect(plot.left(), plot.top(), plot.width(), 1), border);
    p.fillRect(QRect(plot.left(), plot.bottom(), plot.width(), 1), border);
    p.fillRect(QRect(plot.left(), plot.top(), 1, plot.height()), border);
    p.fillRect(QRect(plot.right(), plot.top(), 1, plot.height()), border);
}

QRect HistogramChart::plotRect(const QFontMetrics &fm, const talvor::AxisScale &axis) const
{
    const int axisWidth =
        std::max(fm.horizontalAdvance(QString::number(axis.low)), fm.horizontalAdvance(QString::number(axis.high)))
        + 12;
    return rect().adjusted(axisWidth, 8, -10, -(fm.height() + 6));
}

void HistogramChart::paintBars(QPainter &p, const QRect &plot, const talvor::AxisScale &axis)
{
    // The bars are drawn as one line of pixels stretched down the plot: every
    // bar stands on the zero line, so going down the plot a pixel column only
    // changes where its bar starts or ends, and the line stays the same from
    // one such change (or grid line) to the next. A thousand one-pixel-wide
    // rectangles through the paint engine cost far more, and an image of the
    // whole plot kept between paints costs a megabyte. In device pixels, so
    // that bars stay sharp on a high-density screen.
    const qreal dpr = devicePixelRatio();
    const QRect area(QPoint(qRound(plot.left() * dpr), qRound(plot.top() * dpr)),
                     QPoint(qRound((plot.right() + 1) * dpr) - 1, qRound((plot.bottom() + 1) * dpr) - 1));
    const int width = area.width(), height = area.height();
    const double scale = height / (axis.high - axis.low);
    const int zeroY = int(std::lround(height - (talvor::barBase(axis) - axis.low) * scale));

    std::vector<double> magnitude(size_t(width), 0);
    std::vector<int> from(size_t(width), 0), to(size_t(width), 0);
    std::vector<QRgb> colour(size_t(width), 0);
    const double slot = double(width) / rowCount();
    // A gap between bars while they are wide enough to show one.
    const int gap = slot >= 3 ? std::max(1, int(slot * 0.15)) : 0;
    for (int i = 0; i < rowCount(); ++i) {
        const Row &row = m_rows[size_t(i)];
        const int left = int(i * slot) + gap / 2;
        const int right = std::min(width, std::max(left + 1, int((i + 1) * slot) - (gap - gap / 2)));
        for (int column = 0; column < 2; ++column) {
            const double v = row.values[column];
            if (v == 0)
                continue;
            const int end = std::clamp(int(std::lround(height - (v - axis.low) * scale)), 0, height);
            // Where rows share a pixel column, a red (low) bar wins it, so no
            // dip ever disappears; among bars of one colour the tallest shows.
            const QRgb rgb = column == 0 ? AboveColor.rgb() : BelowColor.rgb();
            for (int x = left; x < right; ++x) {
                const QRgb shown = colour[size_t(x)];
                const bool beats = shown == 0 || (shown == rgb ? std::abs(v) > magnitude[size_t(x)] : column == 1);
                if (!beats)
                    continue;
                magnitude[size_t(x)] = std::abs(v);
                from[size_t(x)] = std::min(zeroY, end);
                to[size_t(x)] = std::max(zeroY, end);
                colour[size_t(x)] = rgb;
            }
        }
    }

    // Which columns start or end their bar on each line, sorted by line.
    std::vector<int> startsAt(size_t(height) + 2, 0), endsAt(size_t(height) + 2, 0);
    for (int x = 0; x < width; ++x) {
        if (from[size_t(x)] < to[size_t(x)]) {
            ++startsAt[size_t(from[size_t(x)]) + 1];
            ++endsAt[size_t(to[size_t(x)]) + 1];
        }
    }
    for (size_t y = 1; y < startsAt.size(); ++y) {
        startsAt[y] += startsAt[y - 1];
        endsAt[y] += endsAt[y - 1];
    }
    std::vector<int> starting(size_t(startsAt.back())), ending(size_t(endsAt.back()));
    {
        std::vector<int> s = startsAt, e = endsAt;
        for (int x = 0; x < width; ++x) {
            if (from[size_t(x)] < to[size_t(x)]) {
                starting[size_t(s[size_t(from[size_t(x)])]++)] = x;
                ending[size_t(e[size_t(to[size_t(x)])]++)] = x;
            }
        }
    }
    std::vector<bool> gridLine(size_t(height), false);
    // Counted in whole steps: a running sum of steps drifts off the marks.
    const int gridLines = int(std::lround((axis.high - axis.low) / axis.step));
    for (int i = 1; i < gridLines; ++i) {
        const double v = axis.low + i * axis.step;
        const int y = int(std::lround(height - (v - axis.low) * scale));
        if (y >= 0 && y < height)
            gridLine[size_t(y)] = true;
    }
    const QRgb base = palette().color(QPalette::Base).rgb();
    const QRgb grid = palette().color(QPalette::Midlight).rgb();
    const QRgb zeroColour = palette().color(QPalette::Dark).rgb();

    std::vector<QRgb> current(size_t(width), base), across(size_t(width), base);
    std::vector<bool> inBar(size_t(width), false);
    const QImage currentLine(reinterpret_cast<const uchar *>(current.data()), width, 1, QImage::Format_RGB32);
    const QImage acrossLine(reinterpret_cast<const uchar *>(across.data()), width, 1, QImage::Format_RGB32);
    p.save();
    p.setWorldTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
    int bandStart = 0;
    const auto drawBand = [&](int end) {
        if (end > bandStart)
            p.drawImage(QRect(area.left(), area.top() + bandStart, width, end - bandStart), currentLine,
                        QRect(0, 0, width, 1));
    };
    for (int y = 0; y < height; ++y) {
        const bool changes =
            endsAt[size_t(y)] != endsAt[size_t(y) + 1] || startsAt[size_t(y)] != startsAt[size_t(y) + 1];
        const bool acrossHere = y == zeroY || gridLine[size_t(y)];
        if (!changes && !acrossHere)
            continue;
        drawBand(y);
        bandStart = y;
        for (int k = endsAt[size_t(y)]; k < endsAt[size_t(y) + 1]; ++k) {
            current[size_t(ending[size_t(k)])] = base;
            inBar[size_t(ending[size_t(k)])] = false;
        }
        for (int k = startsAt[size_t(y)]; k < startsAt[size_t(y) + 1]; ++k) {
            current[size_t(starting[size_t(k)])] = colour[size_t(starting[size_t(k)])];
            inBar[size_t(starting[size_t(k)])] = true;
        }
        if (acrossHere) {
            // Grid lines run behind the bars; the zero line runs through them.
            const QRgb line = y == zeroY ? zeroColour : grid;
            for (int x = 0; x < width; ++x)
                across[size_t(x)] = inBar[size_t(x)] && y != zeroY ? current[size_t(x)] : line;
            p.drawImage(QPoint(area.left(), area.top() + y), acrossLine);
            bandStart = y + 1;
        }
    }
    drawBand(height);
    p.restore();
}

void HistogramChart::paintAxis(QPainter &p, const QRect &plot, double low, double high, double step)
{
    const double scale = plot.height() / (high - low);
    const QFontMetrics fm = p.fontMetrics();
    p.setPen(palette().color(QPalette::WindowText));
    const int marks = int(std::lround((high - low) / step));
    for (int i = 0; i <= marks; ++i) {
        const double v = low + i * step;
        const int y = int(std::lround(plot.bottom() + 1 - (v - low) * scale));
        const QStaticText &text = laidOut(QString::number(v), p.font());
        p.drawStaticText(QPoint(plot.left() - 6 - int(text.size().width()), y + fm.ascent() / 2 - 1 - fm.ascent()),
                         text);
    }
}

const QStaticText &HistogramChart::laidOut(const QString &text, const QFont &font)
{
    // Laying out text is the dear part of drawing it; readings and axis marks repeat.
    auto cached = m_labelCache.find(text);
    if (cached == m_labelCache.end()) {
        if (m_labelCache.size() >= MaxCachedLabels)
            m_labelCache.clear();
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        cached = m_labelCache.insert(text, laid);
    }
    return *cached;
}

void HistogramChart::paintLabels(QPainter &p, const QRect &plot)
{
    const QFontMetrics fm = p.fontMetrics();
    const double slot = double(plot.width()) / rowCount();
    // Show every n-th label, n chosen so that the longest one still fits;
    // labels are numbers, so the width of as many digits is close enough.
    qsizetype longest = 3;
    for (const Row &row : m_rows)
        longest = std::max(longest, QStringView(row.label).trimmed().size());
    const int widest = fm.horizontalAdvance(QString(longest, u'0'));
    const int every = std::max(1, int(std::ceil((widest + 8) / slot)));
    p.setPen(palette().color(QPalette::WindowText));
    for (int i = 0; i < rowCount(); i += every) {
        const QString label = m_rows[size_t(i)].label.trimmed();
        if (label.isEmpty())
            continue;
        const int centre = int(plot.left() + (i + 0.5) * slot);
        const QStaticText &text = laidOut(label, p.font());
        p.drawStaticText(QPoint(centre - int(text.size().width()) / 2, plot.bottom() + 3), text);
    }
}

void HistogramChart::paintThreshold(QPainter &p, const QRect &plot, const talvor::AxisScale &axis) const
{
    if (m_threshold && *m_threshold > axis.low && *m_threshold < axis.high) {
        const double scale = plot.height() / (axis.high - axis.low);
        const int y = plot.top() + int(std::lround(plot.height() - (*m_threshold - axis.low) * scale));
        p.fillRect(QRect(plot.left(), y, plot.width(), 1), ThresholdColor);
    }
    QColor backing = palette().color(QPalette::Base);
    backing.setAlpha(210);
    p.setPen(palette().color(QPalette::Text));
    if (!m_placeholder.isEmpty()) {
        const QRect area = plot.adjusted(8, 8, -8, -8);
        const QRect used = p.boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, m_placeholder);
        p.fillRect(used.adjusted(-4, -2, 4, 2), backing);
        p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, m_placeholder);
    }
    int below = plot.top() + 2;
    if (!m_figures.text().isEmpty()) {
        const QSize size = m_figures.size().toSize();
        QRect box(0, 0, size.width() + 8, size.height() + 2);
        box.moveTopRight(plot.topRight() + QPoint(-2, 2));
        if (box.left() > plot.left()) {
            p.fillRect(box, backing);
            p.drawStaticText(box.topLeft() + QPoint(4, 1), m_figures);
            below = box.bottom() + 1;
        } else {
            // A narrow plot wraps the figures inside it rather than over the axis.
            const QRect area = plot.adjusted(6, 3, -6, 0);
            const QRect used = p.boundingRect(area, Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap, m_figures.text());
            p.fillRect(used.adjusted(-4, -1, 4, 1), backing);
            p.drawText(area, Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap, m_figures.text());
            below = used.bottom() + 2;
        }
    }
    paintValues(p, plot, below, backing);
}

void HistogramChart::paintValues(QPainter &p, const QRect &plot, int top, const QColor &backing) const
{
    if (m_values.isEmpty())
        return;
    const QString gap = QStringLiteral(" \u00b7 ");
    const QFontMetrics metrics = p.fontMetrics();
    int width = 0;
    for (const talvor::NamedValue &v : m_values)
        width += metrics.horizontalAdvance(v.shown()) + (&v == &m_values.back() ? 0 : metrics.horizontalAdvance(gap));
    QRect box(0, top, width + 8, metrics.height() + 2);
    box.moveRight(plot.right() - 2);
    p.fillRect(box, backing);
    int x = box.left() + 4;
    const int baseline = box.top() + 1 + metrics.ascent();
    const QColor text = palette().color(QPalette::Text);
    for (const talvor::NamedValue &v : m_values) {
        p.setPen(v.low() ? QColor(Qt::red) : text);
        p.drawText(x, baseline, v.shown());
        x += metrics.horizontalAdvance(v.shown());
        if (&v != &m_values.back()) {
            p.setPen(text);
            p.drawText(x, baseline, gap);
            x += metrics.horizontalAdvance(gap);
        }
    }
}

void HistogramChart::setValues(const QList<talvor::NamedValue> &values)
{
    m_values = values;
    update();
}

void HistogramChart::setPlaceholder(const QString &text)
{
    if (text == m_placeholder)
        return;
    m_placeholder = text;
    scheduleRepaint();
}

void HistogramChart::setThresholdLine(double threshold, const QString &figures)
{
    m_threshold = threshold;
    // Laid out again only when the figures change.
    if (figures != m_figures.text()) {
        m_figures.setText(figures);
        m_figures.prepare(QTransform(), font());
    }
    scheduleRepaint();
}
