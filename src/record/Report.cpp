#include "Report.h"

#include "LogImport.h"
#include "RecordStore.h"
#include "TimelinePainting.h"
#include "core/Numbers.h"
#include "core/ProgramFolder.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cstdio>

namespace {

constexpr int Width = 1200;
constexpr int Height = 500;

// The threshold of the settings file; the default without one.
double thresholdInForce()
{
    const talvor::SettingsRead read = talvor::readSettingsFile();
    const bool stored = read.outcome == talvor::SettingsRead::Read && read.fields.size() > 3
        && talvor::isNumericText(read.fields[3].text);
    return talvor::leadingNumber(stored ? read.fields[3].text : talvor::firstStartSettings().ssThreshold);
}

int fail(const QString &text)
{
    std::fputs(qPrintable(QStringLiteral("talvor: %1\n").arg(text)), stderr);
    return 1;
}

void paintReport(QPaintDevice &device, const TimelinePicture &picture)
{
    QPainter p(&device);
    QPalette light;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Midlight, QColor(225, 225, 225));
    light.setColor(QPalette::Mid, QColor(160, 160, 160));
    paintTimeline(p, QRect(0, 0, Width, Height), picture, light);
}

} // namespace

int writeReport(const QDate &from, const QDate &to, const QString &file)
{
    const QString folder = talvor::programFolder();
    RecordStore store(QDir(folder).filePath(RecordStore::FileName));
    const QString problem = store.open();
    if (!store.isOpen())
        return fail(problem);
    if (!problem.isEmpty())
        std::fputs(qPrintable(problem + u'\n'), stderr);
    const double threshold = thresholdInForce();
    if (const ImportResult imported = importLogs(store, folder, threshold); imported.stopped)
        std::fputs(
            qPrintable(QStringLiteral("talvor: the daily logs are not all in the report: %1\n").arg(imported.problem)),
            stderr);

    const qint64 begin = talvor::epochMinute(from.startOfDay());
    const qint64 end = talvor::epochMinute(to.addDays(1).startOfDay());
    const QString ending = file.section(u'.', -1).toLower();
    // Written beside the file and renamed over it once whole: a report that
    // cannot be written leaves what was there, and says so in one line.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1 cannot be written: %2").arg(file, out.errorString()));
    const auto finish = [&out, &file] {
        if (out.error() != QFileDevice::NoError || !out.commit())
            return fail(QStringLiteral("%1 cannot be written: %2").arg(file, out.errorString()));
        return 0;
    };
    if (ending == u"csv") {
        const QByteArray csv = talvor::reportCsv(store.rows(begin, end), from, to);
        if (out.write(csv) != csv.size())
            out.cancelWriting();
        return finish();
    }

    TimelinePicture picture;
    picture.from = begin;
    picture.to = end;
    picture.threshold = threshold;
    picture.title =
        QStringLiteral("Talvor signal strength, %1 to %2").arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
    picture.figures = timelineFigures(store, begin, end, threshold);
    QFont font = QGuiApplication::font();
    font.setPixelSize(14);
    QGuiApplication::setFont(font);
    const QRect plot = timelinePlotRect(QRect(0, 0, Width, Height), QFontMetrics(font), true);
    picture.columns = store.columns(begin, end, plot.width());

    if (ending == u"png") {
        QImage image(Width, Height, QImage::Format_RGB32);
        paintReport(image, picture);
        if (!image.save(&out, "PNG"))
            out.cancelWriting();
    } else if (ending == u"svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(QSize(Width, Height));
        svg.setViewBox(QRect(0, 0, Width, Height));
        svg.setTitle(picture.title);
        paintReport(svg, picture);
    } else {
        QPdfWriter pdf(&out);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(Width, Height) / 96.0 * 25.4, QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF());
        pdf.setTitle(picture.title);
        paintReport(pdf, picture);
    }
    return finish();
}
