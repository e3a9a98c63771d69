// What the minute record costs: a reading's share (the listener's fold), the
// import of a week of one-second logs, and a timeline of a week and of a
// year of minutes (query and paint at 1200 pixels).
#include "BenchSupport.h"
#include "core/reading/SignalEvents.h"
#include "core/record/LogLine.h"
#include "monitor/record/LogImport.h"
#include "monitor/record/SignalRecord.h"
#include "window/record/TimelinePainting.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

namespace {

void readingCost(const QString &folder)
{
    talvor::SignalEvents events;
    SignalRecord record(folder);
    QDateTime now = QDateTime::currentDateTime();
    record.setClock([&now] { return now; });
    record.open();
    QObject::connect(&events, &talvor::SignalEvents::readingTaken, &record,
                     [&record](double value, double, const QDateTime &at) { record.reading(value, at); });
    std::vector<double> us;
    QElapsedTimer timer;
    for (int i = 0; i < 6000; ++i) {
        now = now.addSecs(1);
        const QString text = QString::number(40 + i % 30);
        timer.start();
        events.reading(text, 50, now);
        us.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::printf("record_us_per_reading median=%.2f p99=%.1f (a minute written every 60th)\n", percentile(us, 0.5),
                percentile(us, 0.99));
}

void importWeek(const QString &folder)
{
    const QDate first(2026, 11, 1);
    for (int d = 0; d < 7; ++d) {
        QByteArray content;
        const QDate day = first.addDays(d);
        for (QDateTime t = day.startOfDay(); t < day.addDays(1).startOfDay(); t = t.addSecs(1))
            content += talvor::logLine(t, QString::number(40 + t.time().second() % 30));
        QFile file(QDir(folder).filePath(talvor::logFileName(day)));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write the logs");
    }
    RecordStore store(QDir(folder).filePath(RecordStore::FileName));
    store.open();
    QElapsedTimer timer;
    timer.start();
    const ImportResult result = importLogs(store, folder);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("import_lines_per_s=%.0f (%lld lines in %.3f s)\n", double(result.lines) / seconds,
                static_cast<long long>(result.lines), seconds);
}

void views(const QString &folder)
{
    RecordStore store(QDir(folder).filePath(RecordStore::FileName));
    store.open();
    // A full year of minutes, an outage now and then.
    const qint64 end = talvor::epochMinute(QDateTime::currentDateTime());
    const qint64 begin = end - 365 * 24 * 60;
    std::map<qint64, talvor::MinuteRow> rows;
    for (qint64 m = begin; m < end; ++m) {
        talvor::MinuteRow &row = rows[m];
        row.minute = m;
        for (int i = 0; i < 12; ++i)
            row.addReading(double(35 + (m * 7 + i) % 40));
    }
    store.transaction();
    store.writeImported(rows);
    store.commit();

    QImage image(1200, 500, QImage::Format_RGB32);
    const QPalette palette;
    // The same year drawn again at a new threshold each time: what the
    // user waits for after changing it.
    struct View {
        const char *figure;
        qint64 span;
        int thresholdStep;
    };
    for (const View &view : {View{"view_ms range=week", 7 * 24 * 60, 0}, View{"view_ms range=year", 365 * 24 * 60, 0},
                             View{"threshold_change_ms range=year", 365 * 24 * 60, 1}}) {
        std::vector<double> ms;
        QElapsedTimer timer;
        for (int i = 0; i < 11; ++i) {
            const double threshold = 50 + i * view.thresholdStep;
            timer.start();
            TimelinePicture picture;
            picture.to = end;
            picture.from = end - view.span;
            picture.threshold = threshold;
            QPainter p(&image);
            const QRect plot = timelinePlotRect(image.rect(), p.fontMetrics(), 0);
            picture.columns = store.columns(picture.from, picture.to, plot.width(), threshold);
            picture.figures = timelineFigures(store, picture.from, picture.to, threshold);
            paintTimeline(p, image.rect(), picture, palette);
            p.end();
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("%s median=%.1f p90=%.1f\n", view.figure, percentile(ms, 0.5), percentile(ms, 0.9));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir live, logs, year;
    readingCost(live.path());
    importWeek(logs.path());
    views(year.path());
    return 0;
}
