#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <map>
#include <optional>

namespace talvor {

// Minutes since the epoch (UTC): the key of the record, the same on either
// side of a change of daylight-saving time.
qint64 epochMinute(const QDateTime &when);
QDateTime minuteStart(qint64 minute);

// One minute of the record: what the readings in it were and how many polls
// gave none.
struct MinuteRow {
    qint64 minute = 0;
    int readings = 0;
    double min = 0;
    double max = 0;
    double sum = 0;
    int low = 0;      // readings at or below the threshold in force then
    int failures = 0; // polls without a reading
    QString reason;   // why the last of them gave none

    void addReading(double value, double threshold);
    void addFailure(const QString &why);
    // Adds another row of the same minute (or of a span it stands for).
    void merge(const MinuteRow &other);
    // Most polls of the minute gave no reading: a modem that stops at 14:07:52
    // and answers again at 14:17:52 was out for ten minutes, not nine.
    // A minute is an outage when more of its polls gave no reading than gave
    // one. The record's queries call this same rule (as outage()).
    static bool isOutage(qint64 readings, qint64 failures) { return failures > readings; }
    bool isOutage() const { return isOutage(readings, failures); }
};

// Folds daily log files ("2004/03/15","09:05:07 pm",57) into minutes. A line
// that is not of that form (a torn last line, a heading, a typo) is skipped
// and counted, never fatal.
class LogFolder {
public:
    explicit LogFolder(double threshold)
        : m_threshold(threshold)
    {
    }
    // Folds whole lines; a last line without its line end is left out (it
    // may still be being written) and its length not counted in the result.
    qsizetype addLines(QByteArrayView content);
    const std::map<qint64, MinuteRow> &minutes() const { return m_minutes; }
    qint64 lines() const { return m_lines; }
    qint64 skipped() const { return m_skipped; }

private:
    std::optional<qint64> minuteOf(int year, int month, int day, int hour, int minute);

    double m_threshold;
    std::map<qint64, MinuteRow> m_minutes;
    // Lines of a log come in order: most fall into the minute of the last.
    MinuteRow *m_last = nullptr;
    QHash<qint64, qint64> m_hourStarts; // yyyymmddhh -> epoch minute of its start
    qint64 m_lines = 0;
    qint64 m_skipped = 0;
};

// What a range of the record says, for its figures line and the report.
struct RangeFigures {
    qint64 readings = 0;
    double min = 0;
    double max = 0;
    double sum = 0;
    qint64 low = 0;
    int outages = 0; // runs of outage minutes
    int outageMinutes = 0;
    int longestOutage = 0; // minutes
    qint64 longestOutageStart = 0;

    // Rows in order of their minute.
    static RangeFigures of(const QList<MinuteRow> &rows);
    // "12% of readings at or below 50, outages: 3 (42 min, longest 31 min at 02:14)"
    QString text(double threshold) const;
};

// The report's CSV: one row per local day from `from` to `to`, both included:
// date,readings,min,avg,max,percent_at_or_below,outage_minutes
QByteArray reportCsv(const QList<MinuteRow> &rows, QDate from, QDate to);

} // namespace talvor
