#pragma once

#include "monitor/record/RecordStore.h"

#include <QFontMetrics>
#include <QList>
#include <QRect>
#include <QString>

class QPainter;
class QPalette;

// One drawing of the timeline, the same on the Timeline tab and in a report.
struct TimelinePicture {
    qint64 from = 0;               // minutes since the epoch, the range's first
    qint64 to = 0;                 // and the one after its last
    QList<TimelineColumn> columns; // one per pixel column of the plot
    double threshold = 50;
    QStringList header; // lines above everything; reports only
    QString figures;    // "12% of readings at or below 50, outages: …"
};

// Where the plot goes within `area`: one pixel column per timeline column.
// `headerLines` of text go above it.
QRect timelinePlotRect(const QRect &area, const QFontMetrics &metrics, int headerLines);
// Per column: a min–max band, red from its foot in proportion to the share
// of readings at or below the threshold and green above, on a background
// tinted red as deep as that share; the average line; a strip under the
// plot filled red to that share; the threshold line,
// light grey where polls gave no reading, nothing where the program was not
// running.
void paintTimeline(QPainter &p, const QRect &area, const TimelinePicture &picture, const QPalette &palette);
// The range figures, with a word where the record is approximate.
QString timelineFigures(const RecordStore &store, qint64 from, qint64 to, double threshold,
                        const std::optional<talvor::MinuteRow> &pending = std::nullopt);
// What a column holds, for the hover and for assistive technology.
QString columnText(const TimelinePicture &picture, int index);
