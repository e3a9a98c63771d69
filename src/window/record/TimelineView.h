#pragma once

#include "TimelinePainting.h"

#include <QDate>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QToolButton;
class TimelinePlot;

// The "Timeline" tab: calendar days, weeks, months and years of the record,
// outages included, zoomed with the wheel and panned by dragging. A range
// that holds the present follows new minutes, the one being filled too.
class TimelineView : public QWidget {
    Q_OBJECT
public:
    enum Range { Day, Week, Month, Year, All };
    // The minute being filled, not yet in the record.
    using Pending = std::function<std::optional<talvor::MinuteRow>()>;

    TimelineView(const RecordStore &store, Pending pending, double threshold, QWidget *parent = nullptr);

    void setRange(Range range);
    // Shows the range of the current kind that holds `day`.
    void showDay(const QDate &day);
    void showEarlier();
    void showLater();
    // Narrows (factor below 1) or widens the span around `minute`.
    void zoom(double factor, qint64 minute);
    // Moves the span by `minutes`, earlier when negative.
    void pan(qint64 minutes);
    void setThreshold(double threshold);
    // Draws the range again from the record (new minutes, a new threshold).
    void refresh();
    // The same, soon: readings come faster than a person looks.
    void refreshSoon();
    // The named values the chooser offers beside the reading ("" is the
    // reading); keeps the choice when it is still offered.
    void setValueChoices(const QStringList &names);
    // What is shown now, as the chooser names it: a value not in the record
    // yet leaves the reading shown.
    void showChoice(const QString &name);
    // Talvor's own troubles, shown under the figures until put right.
    void setProblems(const QStringList &problems);

    // The span shown: minutes since the epoch, the first and the one after.
    std::pair<qint64, qint64> span() const;
    // The calendar range of `kind` that holds `day`, in local time.
    static std::pair<qint64, qint64> calendarRange(Range kind, const QDate &day, const QLocale &locale);

signals:
    // The reading ("") or a named value was chosen: whoever owns the record
    // shows it, and says its threshold.
    void valueChosen(const QString &name);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qint64 newestEnd() const;

    const RecordStore &m_store;
    Pending m_pending;
    double m_threshold;
    Range m_range = Day;
    QDate m_day;                                       // a day of the range shown; null follows today
    std::optional<std::pair<qint64, qint64>> m_zoomed; // a span of the user's own
    QButtonGroup *m_ranges;
    QDateEdit *m_date;
    QComboBox *m_value;
    QLabel *m_span;
    QLabel *m_figures;
    QLabel *m_problems;
    TimelinePlot *m_plot;
    QTimer m_soon;
};
