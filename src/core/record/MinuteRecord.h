#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace talvor {

// Minutes since the epoch (UTC): the key of the record, the same on either
// side of a change of daylight-saving time.
qint64 epochMinute(const QDateTime &when);
QDateTime minuteStart(qint64 minute);

// How many readings had each value, in order of value: enough to count the
// readings at or below any threshold exactly, long after they were taken.
class ValueCounts {
public:
    void add(double value, qint64 count = 1);
    void merge(const ValueCounts &other);
    qint64 atOrBelow(double threshold) const;
    bool isEmpty() const { return m_counts.empty(); }
    bool operator==(const ValueCounts &) const = default;

    // The stored form: (value, count) as a little-endian double and 32-bit
    // count each, in order of value.
    QByteArray packed() const;
    static ValueCounts unpacked(QByteArrayView packed);
    // The same count, read straight from the stored form.
    static qint64 atOrBelow(QByteArrayView packed, double threshold);
    // What a minute kept before values were counted allows: its readings
    // split between its lowest and highest, as many at the lowest as were
    // low then. Exact for one or two readings or a single value.
    static ValueCounts approximated(qint64 readings, double min, double max, qint64 low);
    static bool approximationIsExact(qint64 readings, double min, double max) { return readings <= 2 || min == max; }

private:
    std::vector<std::pair<double, qint64>> m_counts;
};

// One minute of the record: what the readings in it were and how many polls
// gave none.
struct MinuteRow {
    qint64 minute = 0;
    int readings = 0;
    double min = 0;
    double max = 0;
    double sum = 0;
    // Readings at or below the threshold a query counted them against; none
    // where the row was not read for a threshold (a minute being filled, a log).
    std::optional<qint64> low;
    int failures = 0;   // polls without a reading
    QString reason;     // why the last of them gave none
    ValueCounts counts; // the readings by value, where kept

    void addReading(double value);
    void addFailure(const QString &why);
    // Adds another row of the same minute (or of a span it stands for).
    void merge(const MinuteRow &other);
    // Most polls of the minute gave no reading: a modem that stops at 14:07:52
    // and answers again at 14:17:52 was out for ten minutes, not nine.
    // A minute is an outage when more of its polls gave no reading than gave
    // one. The record's queries call this same rule (as outage()).
    static bool isOutage(qint64 readings, qint64 failures) { return failures > readings; }
    bool isOutage() const { return isOutage(readings, failures); }
    // A low minute: most of its readings were at or below the threshold.
    static bool isLow(qint64 readings, qint64 low) { return readings > 0 && 2 * low > readings; }
    bool isLow() const { return low && isLow(readings, *low); }
};

// The named values of one minute, by name.
using ValueMinutes = std::map<QString, MinuteRow>;

// Folds daily log files ("2004/03/15","09:05:07 pm",57) into minutes. A line
// that is not of that form (a torn last line, a heading, a typo) is skipped
// and counted, never fatal.
class LogFolder {
public:
    // Folds whole lines; a last line without its line end is left out (it
    // may still be being written) and its length not counted in the result.
    qsizetype addLines(QByteArrayView content);
    const std::map<qint64, MinuteRow> &minutes() const { return m_minutes; }
    qint64 lines() const { return m_lines; }
    qint64 skipped() const { return m_skipped; }

private:
    std::optional<qint64> minuteOf(int year, int month, int day, int hour, int minute);

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

// A stretch of the record a support desk asks about.
struct RecordEvent {
    // An outage: the modem did not answer; Refused: it refused the login;
    // Error: it answered with an error status.
    enum Kind { Low, Outage, NotRunning, Refused, Error };
    Kind kind = Low;
    qint64 start = 0;             // its first minute
    qint64 end = 0;               // the minute after its last
    std::optional<double> lowest; // low spells only
    QString reason;               // the kinds without a reading only
    qint64 minutes() const { return end - start; }
    QString kindName() const;
};

// Minutes in a row that were low (a low spell) or without a reading for one
// cause (outage, refused, error), and stretches of
// at least `gapMinutes` without a row at all (Talvor was not running), from
// `from` to before `to`, in order of their start. The rows, in order, carry
// `low` for the threshold in force.
QList<RecordEvent> recordEvents(const QList<MinuteRow> &rows, qint64 from, qint64 to, int gapMinutes = 5);
// start,end,minutes,kind,lowest,reason with local times "yyyy-mm-dd hh:mm".
QByteArray eventsCsv(const QList<RecordEvent> &events);

// The share of the minutes from `from` to before `to` that have a row.
double coveragePercent(qsizetype rowCount, qint64 from, qint64 to);

// The report's CSV: one row per local day from `from` to `to`, both included:
// date,readings,min,avg,max,percent_at_or_below,outage_minutes,threshold,
// coverage_percent,low_minutes. Minutes from `now` on are not counted as
// missing.
QByteArray reportCsv(const QList<MinuteRow> &rows, QDate from, QDate to, double threshold, qint64 now);

// The threshold of a named value that has none: nothing is at or below it,
// and a report leaves its threshold column empty.
inline constexpr double NoThreshold = -std::numeric_limits<double>::max();

} // namespace talvor
