#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace talvor {
// "2004_03_15_talvor_log.csv" for a reading taken on 15 March 2004.
QString logFileName(const QDate &date);
// Whether name is such a daily log's name.
bool isLogFileName(QStringView name);
// "2004/03/15","09:05:07 pm",57 and CR LF.
QByteArray logLine(const QDateTime &when, const QString &readingText);
} // namespace talvor
