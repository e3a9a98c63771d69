#pragma once

#include "core/reading/NamedValues.h"
#include "core/reading/ReadingRules.h"

#include <QHash>
#include <QImage>
#include <QStaticText>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QPainter;
class QFontMetrics;

// The histogram: a data grid of rows and two columns, each row drawn as a bar
// whose height is its cell's number. Column 1 is drawn green, column 2 red; an
// empty cell or "0" draws nothing. Cells are written and read through the
// current row and column, as the fill routine addresses them.
class HistogramChart : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxRows = 1000;

    explicit HistogramChart(QWidget *parent = nullptr);

    int rowCount() const { return int(m_rows.size()); }
    // Kept within 1 to 1000; cells of new rows start empty.
    void setRowCount(int rows);
    void setRow(int row) { m_row = qBound(1, row, rowCount()); }
    void setColumn(int column) { m_column = qBound(1, column, 2); }
    void setData(const QString &text);
    QString data() const;
    void setRowLabel(const QString &label)
    {
        m_rows[size_t(m_row - 1)].label = label;
        scheduleRepaint();
    }
    // A thin line across the plot at the threshold, and one line of figures
    // over the readings shown in its top right corner.
    void setThresholdLine(double threshold, const QString &figures);
    // One line in the plot while it has nothing to show ("No reading yet: …");
    // empty for none.
    void setPlaceholder(const QString &text);
    // The named values of the last poll, under the figures: each red at or
    // below its threshold.
    void setValues(const QList<talvor::NamedValue> &values);
    QString rowLabel(int row) const { return m_rows[size_t(qBound(1, row, rowCount()) - 1)].label; }

    QSize sizeHint() const override { return {760, 300}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintValues(QPainter &p, const QRect &plot, int top, const QColor &backing) const;
    struct Row {
        QString cells[2];
        double values[2] = {0, 0};
        QString label;
    };
    void scheduleRepaint();
    QRect plotRect(const QFontMetrics &fm, const talvor::AxisScale &axis) const;
    void paintBars(QPainter &p, const QRect &plot, const talvor::AxisScale &axis);
    void paintAxis(QPainter &p, const QRect &plot, double low, double high, double step);
    void paintLabels(QPainter &p, const QRect &plot);
    // text laid out once in font, kept while the chart shows it.
    const QStaticText &laidOut(const QString &text, const QFont &font);
    void paintThreshold(QPainter &p, const QRect &plot, const talvor::AxisScale &axis) const;

    std::vector<Row> m_rows;
    std::optional<double> m_threshold;
    QStaticText m_figures;
    QString m_placeholder;
    QList<talvor::NamedValue> m_values;
    int m_row = 1;
    int m_column = 1;
    bool m_repaintPending = false;
    // Enough for every label a chart can show at once; a laid-out label costs
    // a few kB, so a run of odd readings must not grow it for long.
    static constexpr qsizetype MaxCachedLabels = 256;
    QHash<QString, QStaticText> m_labelCache;
};
