#pragma once

#include <QDate>
#include <QString>

// Writes the record of the days from `from` to `to` (both included) to
// `file` by its ending: .png, .svg and .pdf draw the timeline under header
// lines (modem, period and time zone, threshold, coverage, figures), the PDF
// on pages of the locale's paper with a table of every low spell, outage and
// time Talvor was not running; .csv has one row per day. With `events`, the
// file is that table alone as CSV. The daily logs of the program's folder
// are folded into the record first. The days before the record's first and
// after today (or its last) are left out. Returns the process's exit code;
// what went wrong goes to stderr, and a record that cannot be read whole, or
// a file that cannot be written whole, is a failure.
// With `value`, the named value of that name takes the reading's place,
// with its own threshold.
int writeReport(const QDate &from, const QDate &to, const QString &file, bool events = false,
                const QString &value = {});
