#include "TimelineView.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
// Narrower than this a column would stand for less than a minute.
constexpr qint64 NarrowestMinutes = 30;
} // namespace

// The plot: one pixel column per timeline column, what a column holds on
// hover, the wheel to zoom around the pointer and a drag to pan.
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

    QRect plotRect() const { return timelinePlotRect(rect(), fontMetrics(), 0); }
    // The minute under x, within the span.
    qint64 minuteAt(int x) const
    {
        const QRect plot = plotRect();
        const double share = std::clamp(double(x - plot.left()) / std::max(1, plot.width()), 0.0, 1.0);
        return picture.from + qint64(share * double(picture.to - picture.from));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        paintTimeline(p, rect(), picture, palette());
    }
    void resizeEvent(QResizeEvent *) override { m_view.refresh(); }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_dragFrom = event->position().toPoint().x();
    }
    void mouseReleaseEvent(QMouseEvent *) override { m_dragFrom.reset(); }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        const int px = event->position().toPoint().x();
        if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
            const qint64 moved = minuteAt(*m_dragFrom) - minuteAt(px);
            if (moved != 0) {
                m_dragFrom = px;
                m_view.pan(moved);
            }
            return;
        }
        const int x = px - plotRect().left();
        if (x < 0 || x >= picture.columns.size()) {
            QToolTip::hideText();
            return;
        }
        QToolTip::showText(event->globalPosition().toPoint(), columnText(picture, x), this);
    }
    void wheelEvent(QWheelEvent *event) override
    {
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0)
            m_view.zoom(std::pow(0.8, steps), minuteAt(event->position().toPoint().x()));
        event->accept();
    }

private:
    TimelineView &m_view;
    std::optional<int> m_dragFrom;
};

TimelineView::TimelineView(const RecordStore &store, Pending pending, double threshold, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_pending(std::move(pending))
    , m_threshold(threshold)
    , m_ranges(new QButtonGroup(this))
    , m_date(new QDateEdit(QDate::currentDate(), this))
    , m_value(new QComboBox(this))
    , m_span(new QLabel(this))
    , m_figures(new QLabel(this))
    , m_problems(new QLabel(this))
    , m_plot(new TimelinePlot(*this, this))
{
    auto *buttons = new QHBoxLayout;
    const auto arrow = [this, buttons](Qt::ArrowType type, const QString &name, void (TimelineView::*move)()) {
        auto *button = new QToolButton(this);
        button->setArrowType(type);
        button->setAccessibleName(name);
        button->setToolTip(name);
        connect(button, &QToolButton::clicked, this, move);
        buttons->addWidget(button);
    };
    arrow(Qt::LeftArrow, QStringLiteral("Earlier"), &TimelineView::showEarlier);
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
    arrow(Qt::RightArrow, QStringLiteral("Later"), &TimelineView::showLater);
    m_date->setCalendarPopup(true);
    m_date->setAccessibleName(QStringLiteral("Show the day"));
    connect(m_date, &QDateEdit::userDateChanged, this, &TimelineView::showDay);
    buttons->addWidget(m_date);
    m_value->setAccessibleName(QStringLiteral("Shown"));
    m_value->addItem(QStringLiteral("Reading"), QString());
    m_value->hide();
    connect(m_value, &QComboBox::activated, this, [this] { emit valueChosen(m_value->currentData().toString()); });
    buttons->addWidget(m_value);
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
    // It takes the keys that move and zoom the timeline, so it has a name.
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Timeline"));
    m_soon.setSingleShot(true);
    m_soon.setInterval(250);
    connect(&m_soon, &QTimer::timeout, this, &TimelineView::refresh);
}

std::pair<qint64, qint64> TimelineView::calendarRange(Range kind, const QDate &day, const QLocale &locale)
{
    QDate first = day;
    QDate next = day.addDays(1);
    switch (kind) {
    case Day:
    case All:
        break;
    case Week:
        first = day.addDays(-((day.dayOfWeek() - int(locale.firstDayOfWeek()) + 7) % 7));
        next = first.addDays(7);
        break;
    case Month:
        first = QDate(day.year(), day.month(), 1);
        next = first.addMonths(1);
        break;
    case Year:
        first = QDate(day.year(), 1, 1);
        next = first.addYears(1);
        break;
    }
    // Midnight to midnight on the clock: 23 or 25 hours on the days it changes.
    return {talvor::epochMinute(first.startOfDay()), talvor::epochMinute(next.startOfDay())};
}

void TimelineView::setValueChoices(const QStringList &names)
{
    const QString shown = m_value->currentData().toString();
    m_value->clear();
    m_value->addItem(QStringLiteral("Reading"), QString());
    for (const QString &name : names)
        m_value->addItem(name, name);
    // Only where there is a choice.
    m_value->setVisible(!names.isEmpty());
    const int again = m_value->findData(shown);
    m_value->setCurrentIndex(std::max(0, again));
    if (again < 0 && !shown.isEmpty())
        emit valueChosen({});
}

void TimelineView::showChoice(const QString &name)
{
    m_value->setCurrentIndex(std::max(0, m_value->findData(name)));
}

std::pair<qint64, qint64> TimelineView::span() const
{
    if (m_zoomed)
        return *m_zoomed;
    if (m_range == All) {
        const qint64 end = newestEnd();
        return {std::min(m_store.firstMinute().value_or(end - 24 * 60), end - 60), end};
    }
    return calendarRange(m_range, m_day.isValid() ? m_day : QDate::currentDate(), locale());
}

qint64 TimelineView::newestEnd() const
{
    return talvor::epochMinute(QDateTime::currentDateTime()) + 1;
}

void TimelineView::setRange(Range range)
{
    m_range = range;
    m_zoomed.reset();
    refresh();
}

void TimelineView::showDay(const QDate &day)
{
    m_day = day == QDate::currentDate() ? QDate() : day;
    if (m_range == All)
        m_range = Day;
    m_zoomed.reset();
    refresh();
}

void TimelineView::showEarlier()
{
    const auto [from, to] = span();
    if (m_zoomed || m_range == All)
        return pan(from - to);
    showDay(talvor::minuteStart(from - 1).toLocalTime().date());
}

void TimelineView::showLater()
{
    const auto [from, to] = span();
    if (m_zoomed || m_range == All)
        return pan(to - from);
    showDay(talvor::minuteStart(to).toLocalTime().date());
}

void TimelineView::zoom(double factor, qint64 minute)
{
    const auto [from, to] = span();
    const qint64 width = std::max<qint64>(NarrowestMinutes, qint64(double(to - from) * factor));
    const double share = double(minute - from) / double(std::max<qint64>(1, to - from));
    const qint64 newFrom = minute - qint64(share * double(width));
    m_zoomed = std::pair{newFrom, newFrom + width};
    refresh();
}

void TimelineView::pan(qint64 minutes)
{
    const auto [from, to] = span();
    m_zoomed = std::pair{from + minutes, to + minutes};
    refresh();
}

void TimelineView::setThreshold(double threshold)
{
    m_threshold = threshold;
    refresh();
}

void TimelineView::keyPressEvent(QKeyEvent *event)
{
    const auto [from, to] = span();
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return zoom(0.8, (from + to) / 2);
    case Qt::Key_Minus:
        return zoom(1.25, (from + to) / 2);
    case Qt::Key_Left:
        return showEarlier();
    case Qt::Key_Right:
        return showLater();
    default:
        QWidget::keyPressEvent(event);
    }
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

void TimelineView::refreshSoon()
{
    if (isVisible() && !m_soon.isActive())
        m_soon.start();
}

void TimelineView::refresh()
{
    // The button of the range shown; none while a span of the user's own is.
    if (QAbstractButton *checked = m_ranges->checkedButton(); checked && m_zoomed) {
        m_ranges->setExclusive(false);
        checked->setChecked(false);
        m_ranges->setExclusive(true);
    } else if (!m_zoomed) {
        m_ranges->button(m_range)->setChecked(true);
    }
    // Hidden, the tab waits: it is drawn afresh when shown.
    if (!isVisible())
        return;
    TimelinePicture &picture = m_plot->picture;
    std::tie(picture.from, picture.to) = span();
    picture.threshold = m_threshold;
    const QRect plot = m_plot->plotRect();
    const int count = std::max(0, plot.width());
    picture.columns = m_store.columns(picture.from, picture.to, count, m_threshold);
    // The minute being filled joins its column and the figures at once.
    const auto pending = m_pending ? m_pending() : std::nullopt;
    if (pending && pending->minute >= picture.from && pending->minute < picture.to && count > 0) {
        talvor::MinuteRow live = *pending;
        live.low = live.counts.atOrBelow(m_threshold);
        TimelineColumn &column =
            picture.columns[(pending->minute - picture.from) * count / (picture.to - picture.from)];
        const qint64 start = column.sums.minute;
        column.sums.merge(live);
        column.sums.minute = start;
        if (live.isOutage()) {
            ++column.outageMinutes;
            column.outageReason = live.reason;
        }
    }
    picture.figures = timelineFigures(m_store, picture.from, picture.to, m_threshold, pending);
    m_figures->setText(picture.figures);
    const QDateTime from = talvor::minuteStart(picture.from).toLocalTime();
    const QDateTime to = talvor::minuteStart(picture.to).toLocalTime();
    m_span->setText(QStringLiteral("%1 – %2").arg(from.toString(QStringLiteral("ddd d MMM yyyy HH:mm")),
                                                  to.toString(QStringLiteral("ddd d MMM yyyy HH:mm"))));
    {
        const QSignalBlocker quiet(m_date);
        m_date->setDate(from.date());
    }
    m_plot->setAccessibleDescription(picture.figures);
    m_plot->update();
}
