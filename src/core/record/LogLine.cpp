#include "LogLine.h"

#include "core/reading/Numbers.h"

QString talvor::logFileName(const QDate &date)
{
    return date.toString(u"yyyy_MM_dd_") + QStringLiteral("talvor_log.csv");
}

bool talvor::isLogFileName(QStringView name)
{
    static constexpr QStringView Pattern = u"0000_00_00_talvor_log.csv";
    if (name.size() != Pattern.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const bool matches = Pattern[i] == u'0' ? name[i] >= u'0' && name[i] <= u'9' : name[i] == Pattern[i];
        if (!matches)
            return false;
    }
    return true;
}

QByteArray talvor::logLine(const QDateTime &when, const QString &readingText)
{
    const QTime t = when.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const QString time = QStringLiteral("%1:%2:%3 %4")
                             .arg(hour12, 2, 10, QLatin1Char('0'))
                             .arg(t.minute(), 2, 10, QLatin1Char('0'))
                             .arg(t.second(), 2, 10, QLatin1Char('0'))
                             .arg(t.hour() < 12 ? u"am" : u"pm");
    const QString line = u'"' + when.date().toString(u"yyyy/MM/dd") + QStringLiteral("\",\"") + time
        + QStringLiteral("\",") + shortestText(leadingNumber(readingText)) + QStringLiteral("\r\n");
    return line.toLatin1();
}
