// The timeline as a person uses it: a minute's tooltip counts its low
// readings for the threshold of the moment, the minute being filled counts,
// a zoom shows no range as chosen, and the calendar ranges are what a person
// means by a day, a week, a month and a year.
#include "monitor/record/RecordStore.h"
#include "window/record/TimelineView.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

using talvor::MinuteRow;

class TestTimeline : public QObject {
    Q_OBJECT
private slots:
    void theTimelineSaysHowManyOfAMinutesReadingsWereLow();
    void theMinuteBeingFilledAndAZoomAreShownForWhatTheyAre();
    void calendarRangesAreWhatAPersonMeans_data();
    void calendarRangesAreWhatAPersonMeans();
};

namespace {
QDateTime at(const char *time, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime::fromString(QLatin1String(time), QStringLiteral("HH:mm:ss")));
}
} // namespace

// The mouse over a minute's column: its readings at or below the threshold
// shown, out of all of them, for the threshold of the moment.
void TestTimeline::theTimelineSaysHowManyOfAMinutesReadingsWereLow()
{
    QTemporaryDir dir;
    const QDateTime noon = at("12:00:00", 3);
    {
        RecordStore store(QDir(dir.path()).filePath(RecordStore::FileName));
        QVERIFY(store.open().isEmpty());
        MinuteRow row;
        row.minute = talvor::epochMinute(noon);
        for (const double reading : {40.0, 60.0, 45.0})
            row.addReading(reading);
        QVERIFY(store.writeLive(row));
    }
    RecordStore store(QDir(dir.path()).filePath(RecordStore::FileName));
    QVERIFY(store.openToRead().isEmpty());
    TimelineView view(
        store, [] { return std::nullopt; }, 50);
    view.resize(900, 400);
    view.show();
    view.showDay(noon.date());
    view.refresh();
    QWidget *plot = view.findChild<QWidget *>();
    for (QWidget *child : view.findChildren<QWidget *>())
        if (child->accessibleName() == u"Timeline of the signal")
            plot = child;
    const auto tipsOverThePlot = [plot] {
        QStringList tips;
        for (int x = 0; x < plot->width(); ++x) {
            QMouseEvent move(QEvent::MouseMove, QPointF(x, plot->height() / 2), plot->mapToGlobal(QPointF(x, 1)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(plot, &move);
            const QString tip = QToolTip::text();
            if (tip.contains(u" readings at or below ") && !tips.contains(tip))
                tips << tip;
        }
        return tips;
    };
    QStringList tips = tipsOverThePlot();
    QCOMPARE(tips.size(), 1);
    QVERIFY2(
        tips.first().contains(QStringLiteral("\n2 of 3 readings at or below 50 (66.7 %)\nmin 40  avg 48.3  max 60")),
        qPrintable(tips.first()));
    view.setThreshold(40);
    tips = tipsOverThePlot();
    QCOMPARE(tips.size(), 1);
    QVERIFY2(tips.first().contains(QStringLiteral("\n1 of 3 readings at or below 40 (33.3 %)")),
             qPrintable(tips.first()));
}

void TestTimeline::theMinuteBeingFilledAndAZoomAreShownForWhatTheyAre()
{
    QTemporaryDir dir;
    RecordStore store(QDir(dir.path()).filePath(RecordStore::FileName));
    QVERIFY(store.open().isEmpty());
    // Nothing in the record yet, three readings in the minute being filled.
    MinuteRow live;
    live.minute = talvor::epochMinute(QDateTime::currentDateTime());
    for (const double reading : {40.0, 60.0, 45.0})
        live.addReading(reading);
    TimelineView view(
        store, [&live] { return std::optional<MinuteRow>(live); }, 50);
    view.resize(900, 400);
    view.show();
    view.setRange(TimelineView::Day);
    QLabel *figures = nullptr;
    for (QLabel *label : view.findChildren<QLabel *>())
        figures = label->text().contains(u"at or below") ? label : figures;
    QVERIFY(figures);
    QVERIFY2(figures->text().startsWith(QStringLiteral("67% of readings at or below 50")), qPrintable(figures->text()));
    const auto checked = [&view] {
        QStringList names;
        for (QToolButton *button : view.findChildren<QToolButton *>())
            if (button->isChecked())
                names << button->text();
        return names;
    };
    QCOMPARE(checked(), QStringList{QStringLiteral("Day")});
    // Zoomed to a span of the user's own: no range is shown as chosen.
    view.zoom(0.2, live.minute);
    QCOMPARE(checked(), QStringList());
    view.setRange(TimelineView::Week);
    QCOMPARE(checked(), QStringList{QStringLiteral("Week")});
}

void TestTimeline::calendarRangesAreWhatAPersonMeans_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("first"); // local time
    QTest::addColumn<int>("hours");
    QTest::newRow("an ordinary day") << int(TimelineView::Day) << QDate(2026, 6, 3) << "de_DE"
                                     << "2026-06-03T00:00" << 24;
    QTest::newRow("the spring change") << int(TimelineView::Day) << QDate(2026, 3, 29) << "de_DE"
                                       << "2026-03-29T00:00" << 23;
    QTest::newRow("the autumn change") << int(TimelineView::Day) << QDate(2026, 10, 25) << "de_DE"
                                       << "2026-10-25T00:00" << 25;
    QTest::newRow("a week from Monday") << int(TimelineView::Week) << QDate(2026, 12, 6) << "de_DE"
                                        << "2026-11-30T00:00" << 168;
    QTest::newRow("a week from Sunday") << int(TimelineView::Week) << QDate(2026, 12, 6) << "en_US"
                                        << "2026-12-06T00:00" << 168;
    QTest::newRow("a month") << int(TimelineView::Month) << QDate(2026, 2, 14) << "de_DE"
                             << "2026-02-01T00:00" << 28 * 24;
    QTest::newRow("a year") << int(TimelineView::Year) << QDate(2026, 7, 1) << "de_DE"
                            << "2026-01-01T00:00" << 365 * 24;
}

void TestTimeline::calendarRangesAreWhatAPersonMeans()
{
    QFETCH(int, range);
    QFETCH(QDate, day);
    QFETCH(QString, locale);
    QFETCH(QString, first);
    QFETCH(int, hours);
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const auto [from, to] = TimelineView::calendarRange(TimelineView::Range(range), day, QLocale(locale));
    const QDateTime start = talvor::minuteStart(from).toLocalTime();
    const qint64 length = to - from;
    qputenv("TZ", zone);
    tzset();
    QCOMPARE(start.toString(Qt::ISODate).left(16), first);
    QCOMPARE(length, qint64(hours) * 60);
}

QTEST_MAIN(TestTimeline)
#include "test_timeline.moc"
