#include "TimelineView.h"

#include "core/Numbers.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

// The plot: one pixel column per timeline column, and what a column holds
// on hover.
class TimelinePlot : public QWidget {
public:
    TimelinePlot(TimelineView &view, QWidget *parent)
        : QWidget(parent)
        , m_view(view)
    {
        setMouseTracking(true);
        setMinimumSize(240, 120);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    TimelinePicture picture;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        paintTimeline(p, rect(), picture, palette());
    }
    void resizeEvent(QResizeEvent *) override { m_view.refresh(); }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        const QRect plot = timelinePlotRect(rect(), fontMetrics(), false);
        const int x = event->position().toPoint().x() - plot.left();
        if (x < 0 || x >= picture.columns.size()) {
            QToolTip::hideText();
            return;
        }
        const TimelineColumn &c = picture.columns[x];
        const qint64 span = picture.to - picture.from;
        const auto at = [&](qint64 i) {
            return talvor::minuteStart(picture.from + i * span / picture.columns.size()).toLocalTime();
        };
        const bool sameDay = at(x).date() == at(x + 1).date();
        QString text = at(x).toString(QStringLiteral("ddd d MMM HH:mm")) + QStringLiteral(" – ")
            + at(x + 1).toString(sameDay ? QStringLiteral("HH:mm") : QStringLiteral("ddd d MMM HH:mm"));
        if (c.sums.readings > 0)
            text += QStringLiteral("\nmin %1  avg %2  max %3, %4 readings")
                        .arg(talvor::shortestText(c.sums.min), QString::number(c.sums.sum / c.sums.readings, 'f', 1),
                             talvor::shortestText(c.sums.max))
                        .arg(c.sums.readings);
        if (c.outageMinutes > 0)
            text += QStringLiteral("\nNo reading for %1 min: %2").arg(c.outageMinutes).arg(c.outageReason);
        if (c.sums.readings == 0 && c.sums.failures == 0)
            text += QStringLiteral("\nTalvor was not running");
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
    }

private:
    TimelineView &m_view;
};

TimelineView::TimelineView(const RecordStore &store, const QLineEdit &ssThreshold, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_threshold(ssThreshold)
    , m_ranges(new QButtonGroup(this))
    , m_later(new QToolButton(this))
    , m_span(new QLabel(this))
    , m_figures(new QLabel(this))
    , m_problems(new QLabel(this))
    , m_plot(new TimelinePlot(*this, this))
{
    auto *buttons = new QHBoxLayout;
    auto *earlier = new QToolButton(this);
    earlier->setArrowType(Qt::LeftArrow);
    earlier->setAccessibleName(QStringLiteral("Earlier"));
    earlier->setToolTip(QStringLiteral("Earlier"));
    connect(earlier, &QToolButton::clicked, this, &TimelineView::showEarlier);
    buttons->addWidget(earlier);
    const char *names[] = {"Day", "Week", "Month", "Year", "All"};
    for (int i = 0; i < 5; ++i) {
        auto *button = new QToolButton(this);
        button->setText(QLatin1String(names[i]));
        button->setCheckable(true);
        m_ranges->addButton(button, i);
        buttons->addWidget(button);
    }
    m_ranges->button(Day)->setChecked(true);
    connect(m_ranges, &QButtonGroup::idClicked, this, [this](int id) { setRange(Range(id)); });
    m_later->setArrowType(Qt::RightArrow);
    m_later->setAccessibleName(QStringLiteral("Later"));
    m_later->setToolTip(QStringLiteral("Later"));
    connect(m_later, &QToolButton::clicked, this, &TimelineView::showLater);
    buttons->addWidget(m_later);
    buttons->addSpacing(12);
    buttons->addWidget(m_span, 1);
    m_figures->setWordWrap(true);
    m_plot->setAccessibleName(QStringLiteral("Timeline of the signal"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_figures);
    m_problems->setWordWrap(true);
    m_problems->setForegroundRole(QPalette::Highlight);
    m_problems->setAccessibleName(QStringLiteral("Problems"));
    m_problems->hide();
    layout->addWidget(m_problems);
    layout->addWidget(m_plot, 1);
    connect(&m_threshold, &QLineEdit::textChanged, this, &TimelineView::refresh);
}

qint64 TimelineView::spanMinutes() const
{
    switch (m_range) {
    case Day:
        return 24 * 60;
    case Week:
        return 7 * 24 * 60;
    case Month:
        return 30 * 24 * 60;
    case Year:
        return 365 * 24 * 60;
    case All:
        break;
    }
    const qint64 first = m_store.firstMinute().value_or(newestEnd() - 24 * 60);
    return std::max<qint64>(60, newestEnd() - first);
}

qint64 TimelineView::newestEnd() const
{
    return talvor::epochMinute(QDateTime::currentDateTime()) + 1;
}

void TimelineView::setRange(Range range)
{
    m_range = range;
    m_laterBy = 0;
    m_ranges->button(range)->setChecked(true);
    refresh();
}

void TimelineView::showEarlier()
{
    m_laterBy += spanMinutes();
    refresh();
}

void TimelineView::showLater()
{
    m_laterBy = std::max<qint64>(0, m_laterBy - spanMinutes());
    refresh();
}

void TimelineView::setProblems(const QStringList &problems)
{
    m_problems->setText(problems.join(u'\n'));
    m_problems->setVisible(!problems.isEmpty());
}

void TimelineView::showEvent(QShowEvent *event)
{
    refresh();
    QWidget::showEvent(event);
}

void TimelineView::refresh()
{
    // Hidden, the tab waits: it is drawn afresh when shown.
    if (!isVisible())
        return;
    TimelinePicture &picture = m_plot->picture;
    picture.to = newestEnd() - m_laterBy;
    picture.from = picture.to - spanMinutes();
    picture.threshold = talvor::leadingNumber(m_threshold.text());
    const QRect plot = timelinePlotRect(m_plot->rect(), m_plot->fontMetrics(), false);
    picture.columns = m_store.columns(picture.from, picture.to, std::max(0, plot.width()));
    picture.figures = timelineFigures(m_store, picture.from, picture.to, picture.threshold);
    m_figures->setText(picture.figures);
    const QDateTime from = talvor::minuteStart(picture.from).toLocalTime();
    const QDateTime to = talvor::minuteStart(picture.to).toLocalTime();
    m_span->setText(QStringLiteral("%1 – %2").arg(from.toString(QStringLiteral("ddd d MMM yyyy HH:mm")),
                                                  to.toString(QStringLiteral("ddd d MMM yyyy HH:mm"))));
    m_later->setEnabled(m_laterBy > 0);
    m_plot->setAccessibleDescription(picture.figures);
    m_plot->update();
}
