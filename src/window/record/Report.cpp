#include "Report.h"

#include "TimelinePainting.h"
#include "core/fetch/PollSchedule.h"
#include "core/fetch/TransferTexts.h"
#include "core/program/CommandLine.h"
#include "core/program/ProgramFolder.h"
#include "core/program/WholeFile.h"
#include "core/reading/Numbers.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsFile.h"
#include "monitor/fetch/ModemSettings.h"
#include "monitor/record/LogImport.h"
#include "monitor/record/RecordStore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTimeZone>

#include <cstdio>

namespace {

constexpr int Width = 1200;
constexpr int PlotHeight = 500;

// What held over the minutes from `begin` to before `end`, as the record
// kept it: the modem, the polling, the threshold the monitor alerted at and
// the reading rule. Where nothing was kept yet (logs from before the record,
// or another program's) the polling is what the readings show, never what
// is set now.
QStringList settingsHeld(const RecordStore &store, qint64 begin, qint64 end, double threshold, bool ofValue)
{
    const qint64 fromMs = talvor::minuteStart(begin).toMSecsSinceEpoch();
    const qint64 toMs = talvor::minuteStart(end).toMSecsSinceEpoch();
    const QString unrecorded = QStringLiteral("not recorded");
    const auto held = [&](const QString &name, const QString &unknown) {
        const QList<talvor::SettingChange> changes = store.settingChanges(name);
        const qint64 firstKept = changes.isEmpty()
            ? end
            : std::clamp(talvor::epochMinute(QDateTime::fromMSecsSinceEpoch(changes[0].atMs)), begin, end);
        // Minutes before the first change kept were polled with something
        // the record does not know.
        const QString before = name == talvor::IntervalSetting
            ? talvor::spacingShown(store.pollsPerMinute(begin, firstKept))
            : store.minutesKept(begin, firstKept) > 0 ? unknown
                                                      : QString();
        const QString text = talvor::settingHeld(changes, fromMs, toMs, before);
        return text.isEmpty() ? unknown : text;
    };
    // The figures count with today's threshold; the one alerts were given
    // at is said only where it was another.
    const QString now = talvor::shortestText(threshold);
    QStringList alertedAt;
    for (const talvor::SettingChange &c : store.settingChanges(talvor::ThresholdSetting)) {
        if (c.atMs <= fromMs)
            alertedAt = {c.value};
        else if (c.atMs < toMs)
            alertedAt << c.value;
    }
    return {
        QStringLiteral("Modem: %1").arg(held(talvor::AddressSetting, unrecorded)),
        QStringLiteral("Polling: %1").arg(held(talvor::IntervalSetting, unrecorded)),
        !ofValue
            ? QStringLiteral("Threshold: %1 (a reading at or below it is low)%2")
                  .arg(now,
                       alertedAt.count(now) == alertedAt.size() ? QString()
                                                                : QStringLiteral("; the monitor alerted at %1")
                                                                      .arg(held(talvor::ThresholdSetting, unrecorded)))
            : threshold != talvor::NoThreshold
            ? QStringLiteral("Threshold: %1 (a value at or below it is low)").arg(now)
            : QStringLiteral("Threshold: none set for this value"),
        QStringLiteral("Reading: %1").arg(held(talvor::RuleSetting, unrecorded)),
    };
}

int fail(const QString &text)
{
    std::fputs(qPrintable(QStringLiteral("talvor: %1\n").arg(text)), stderr);
    return 1;
}

QPalette paper()
{
    QPalette light;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Midlight, QColor(225, 225, 225));
    light.setColor(QPalette::Mid, QColor(160, 160, 160));
    return light;
}

QString durationText(qint64 minutes)
{
    return minutes < 60 ? QStringLiteral("%1 min").arg(minutes)
                        : QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// The table of events, a line each, as the PDF prints it.
QStringList eventLines(const QList<talvor::RecordEvent> &events)
{
    QStringList lines;
    for (const talvor::RecordEvent &e : events) {
        const QDateTime start = talvor::minuteStart(e.start).toLocalTime();
        const QDateTime end = talvor::minuteStart(e.end).toLocalTime();
        const QString kind = e.kind == talvor::RecordEvent::Low ? QStringLiteral("Low signal")
            : e.kind == talvor::RecordEvent::Outage             ? QStringLiteral("No answer")
            : e.kind == talvor::RecordEvent::Refused            ? QStringLiteral("Login refused")
            : e.kind == talvor::RecordEvent::Error              ? QStringLiteral("Error answer")
                                                                : QStringLiteral("Talvor not running");
        lines << QStringLiteral("%1  %2–%3  %4  %5  %6%7")
                     .arg(start.toString(QStringLiteral("yyyy-MM-dd")), start.toString(QStringLiteral("HH:mm")),
                          end.toString(start.date() == end.date() ? QStringLiteral("HH:mm")
                                                                  : QStringLiteral("yyyy-MM-dd HH:mm")),
                          durationText(e.minutes()), kind,
                          e.lowest ? QStringLiteral("lowest %1").arg(talvor::shortestText(*e.lowest)) : QString(),
                          e.reason.isEmpty() ? QString() : QStringLiteral("  ") + e.reason);
    }
    return lines;
}

// Pages of the locale's paper: the header and drawing first, then the table.
void writePdf(QIODevice &out, const RecordStore &store, TimelinePicture picture, const QStringList &days,
              const QStringList &table, const QString &made)
{
    QPdfWriter pdf(&out);
    pdf.setResolution(96);
    const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    pdf.setPageLayout(QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    pdf.setTitle(picture.header.value(0));
    QPainter p(&pdf);
    QFont font = QGuiApplication::font();
    font.setPixelSize(11);
    p.setFont(font);
    const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const QRect area(0, 0, page.width(), std::min(page.height() / 2, page.width() * 5 / 9));
    // As wide as the page: a column a pixel again.
    picture.columns =
        store.columns(picture.from, picture.to,
                      timelinePlotRect(area, p.fontMetrics(), int(picture.header.size())).width(), picture.threshold);
    paintTimeline(p, area, picture, paper());
    const int line = p.fontMetrics().height();
    // Every page says when it was made and by which Talvor: a page handed
    // on alone still says what it is.
    int pageNumber = 1;
    const auto footer = [&] {
        p.drawText(QRect(0, page.height() - line, page.width(), line), Qt::AlignLeft,
                   QStringLiteral("%1 \u00b7 page %2").arg(made).arg(pageNumber++));
    };
    int y = area.bottom() + line;
    const auto write = [&](const QString &text) {
        y += line;
        if (y > page.height() - 3 * line) {
            footer();
            pdf.newPage();
            y = line;
        }
        p.drawText(QPoint(0, y), text);
    };
    // The day table's columns line up in a font of fixed pitch.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(font.pixelSize());
    p.setFont(fixed);
    for (const QString &text : days)
        write(text);
    p.setFont(font);
    y += line;
    write(table.isEmpty() ? QStringLiteral("No low spells, outages or times Talvor was not running.")
                          : QStringLiteral("Low spells, outages and times Talvor was not running:"));
    for (const QString &text : table)
        write(text);
    footer();
}

// The report's CSV as a table of a line a day: readings, coverage, the share
// at or below the threshold, low and outage minutes.
QStringList dayLines(const QByteArray &csv)
{
    QStringList lines{QStringLiteral("Day          readings  coverage  at or below  low min  outage min")};
    for (const QByteArray &row : csv.split('\n').mid(1)) {
        // date,readings,min,avg,max,percent_at_or_below,outage_minutes,threshold,coverage_percent,low_minutes
        const QList<QByteArray> f = row.trimmed().split(',');
        if (f.size() < 10)
            continue;
        lines << QStringLiteral("%1  %2  %3 %  %4 %  %5  %6")
                     .arg(QString::fromLatin1(f[0]), -11)
                     .arg(QString::fromLatin1(f[1]), 8)
                     .arg(QString::fromLatin1(f[8]), 6)
                     .arg(QString::fromLatin1(f[5]), 9)
                     .arg(QString::fromLatin1(f[9]), 7)
                     .arg(QString::fromLatin1(f[6]), 10);
    }
    return lines;
}

} // namespace

int writeReport(const QDate &asked, const QDate &askedTo, const QString &file, bool events, const QString &value)
{
    const QString folder = talvor::programFolder();
    RecordStore store(QDir(folder).filePath(RecordStore::FileName));
    // Reading the whole file through cost a week's report a fifth of its
    // time; a damaged page is met as a read error instead.
    store.skipWholeFileCheck();
    const QString problem = store.open();
    if (!store.isOpen())
        return fail(problem);
    if (!problem.isEmpty())
        std::fputs(qPrintable(problem + u'\n'), stderr);
    double threshold = talvor::pollSettings(talvor::readSettingsFile()).threshold;
    if (const ImportResult imported = importLogs(store, folder); imported.stopped)
        std::fputs(
            qPrintable(QStringLiteral("talvor: the daily logs are not all in the report: %1\n").arg(imported.problem)),
            stderr);
    QString valueLabel;
    if (!value.isEmpty()) {
        if (!store.showValue(value))
            return fail(store.lastError().isEmpty() ? QStringLiteral("the record holds no value named %1").arg(value)
                                                    : store.lastError());
        const QList<talvor::ValueRule> rules = ModemSettings::load().values;
        const auto rule =
            std::find_if(rules.begin(), rules.end(), [&value](const talvor::ValueRule &r) { return r.name == value; });
        // A value without a threshold of its own has none that it can be at or below.
        threshold = rule != rules.end() && rule->threshold ? *rule->threshold : talvor::NoThreshold;
        valueLabel = rule != rules.end() ? rule->label : value;
    }

    // The days asked for within those the record holds, today included: the
    // years before the first reading and after today are not a report's.
    const QDate today = QDate::currentDate();
    const auto dayOf = [](std::optional<qint64> minute, QDate otherwise) {
        return minute ? talvor::minuteStart(*minute).toLocalTime().date() : otherwise;
    };
    const QDate from = std::max(asked, std::min(dayOf(store.firstMinute(), today), askedTo));
    const QDate to = std::min(askedTo, std::max({dayOf(store.lastMinute(), today), today, from}));
    const qint64 begin = talvor::epochMinute(from.startOfDay());
    const qint64 end = talvor::epochMinute(to.addDays(1).startOfDay());
    // Minutes still to come are not missing.
    const qint64 now = talvor::epochMinute(QDateTime::currentDateTime());
    const qint64 until = std::clamp(now, begin, end);
    const QString ending = file.section(u'.', -1).toLower();
    // Every minute, for the tables; the drawings need only their columns.
    const auto rows = [&] { return store.rows(begin, end, threshold); };
    const auto spells = [&] { return talvor::recordEvents(rows(), begin, until); };
    const QString made =
        QStringLiteral("Made %1 by Talvor %2")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), talvor::version());
    QByteArray bytes;
    if (events) {
        bytes = talvor::eventsCsv(spells());
    } else if (ending == u"csv") {
        bytes = talvor::reportCsv(rows(), from, to, threshold, now);
    } else {
        TimelinePicture picture;
        picture.from = begin;
        picture.to = end;
        picture.threshold = threshold;
        picture.figures = timelineFigures(store, begin, end, threshold);
        const QTimeZone zone = QTimeZone::systemTimeZone();
        const QDateTime start = from.startOfDay();
        picture.header =
            QStringList{
                QStringLiteral("Talvor %1 report, %2 to %3")
                    .arg(value.isEmpty() ? QStringLiteral("signal strength")
                                         : QStringLiteral("%1 (%2)").arg(valueLabel, value),
                         from.toString(Qt::ISODate), to.toString(Qt::ISODate)),
                QStringLiteral("Period: %1 00:00 to %2 24:00, local time %3 (%4)")
                    .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate), QString::fromUtf8(zone.id()),
                         zone.displayName(start, QTimeZone::OffsetName)),
            }
            + settingsHeld(store, begin, end, threshold, !value.isEmpty())
            + QStringList{
                until <= begin
                    ? QStringLiteral("Coverage: the period has not begun")
                    : QStringLiteral("Coverage: readings for %1 % of the period%2")
                          .arg(QString::number(talvor::coveragePercent(store.minutesKept(begin, until), begin, until),
                                               'f', 1),
                               // "So far" only while the period goes on.
                               until < end ? QStringLiteral(" so far") : QString()),
                picture.figures,
                made,
            };
        QFont font = QGuiApplication::font();
        font.setPixelSize(14);
        QGuiApplication::setFont(font);
        const int height = PlotHeight + QFontMetrics(font).height() * int(picture.header.size());
        const QRect plot = timelinePlotRect(QRect(0, 0, Width, height), QFontMetrics(font), int(picture.header.size()));
        picture.columns = store.columns(begin, end, plot.width(), threshold);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (ending == u"png") {
            QImage image(Width, height, QImage::Format_RGB32);
            {
                QPainter p(&image);
                paintTimeline(p, image.rect(), picture, paper());
            }
            if (!image.save(&buffer, "PNG", 80))
                return fail(QStringLiteral("%1 cannot be written: the picture could not be made").arg(file));
        } else if (ending == u"svg") {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(QSize(Width, height));
            svg.setViewBox(QRect(0, 0, Width, height));
            svg.setTitle(picture.header.value(0));
            QPainter p(&svg);
            paintTimeline(p, QRect(0, 0, Width, height), picture, paper());
        } else {
            const QList<talvor::MinuteRow> all = rows();
            writePdf(buffer, store, picture, dayLines(talvor::reportCsv(all, from, to, threshold, now)),
                     eventLines(talvor::recordEvents(all, begin, until)), made);
        }
    }
    // Half a record is not a report: nothing is written over what was there.
    if (const QString unread = store.readError(); !unread.isEmpty())
        return fail(QStringLiteral("%1 is not written: the record could not be read: %2").arg(file, unread));
    // Written beside the file and renamed over it once whole: a report that
    // cannot be written leaves what was there, and says so in one line.
    if (const QString error = talvor::writeWholeFile(file, bytes); !error.isEmpty())
        return fail(QStringLiteral("%1 cannot be written: %2").arg(file, error));
    return 0;
}
