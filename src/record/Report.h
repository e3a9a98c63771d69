#pragma once

#include <QDate>
#include <QString>

// Writes the timeline of the days from `from` to `to` (both included) to
// `file` by its ending: .png, .svg or .pdf draw it (1200 by 500, a title
// naming the range and the figures line), .csv has one row per day. The
// daily logs of the program's folder are folded into the record first.
// Returns the process's exit code; what went wrong goes to stderr.
int writeReport(const QDate &from, const QDate &to, const QString &file);
