#pragma once

#include "TimelinePainting.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QToolButton;
class TimelinePlot;

// The "Timeline" tab: days, weeks and years of the record, outages included.
// The newest range follows new minutes as they are written.
class TimelineView : public QWidget {
    Q_OBJECT
public:
    enum Range { Day, Week, Month, Year, All };

    TimelineView(const RecordStore &store, const QLineEdit &ssThreshold, QWidget *parent = nullptr);

    void setRange(Range range);
    void showEarlier();
    void showLater();
    // Draws the range again from the record (new minutes, a new threshold).
    void refresh();
    // Talvor's own troubles, shown under the figures until put right.
    void setProblems(const QStringList &problems);

protected:
    void showEvent(QShowEvent *event) override;

private:
    qint64 spanMinutes() const;
    qint64 newestEnd() const;

    const RecordStore &m_store;
    const QLineEdit &m_threshold;
    Range m_range = Day;
    qint64 m_laterBy = 0; // minutes the range ends before now; 0 follows the newest
    QButtonGroup *m_ranges;
    QToolButton *m_later;
    QLabel *m_span;
    QLabel *m_figures;
    QLabel *m_problems;
    TimelinePlot *m_plot;
};
