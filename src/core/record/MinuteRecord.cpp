#include "MinuteRecord.h"

#include "core/fetch/TransferTexts.h"
#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"

#include <QTimeZone>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace talvor {

qint64 epochMinute(const QDateTime &when)
{
    const qint64 secs = when.toSecsSinceEpoch();
    return secs >= 0 ? secs / 60 : (secs - 59) / 60;
}

QDateTime minuteStart(qint64 minute)
{
    return QDateTime::fromSecsSinceEpoch(minute * 60);
}

void ValueCounts::add(double value, qint64 count)
{
    // Readings of a minute mostly repeat a value already seen: the search is short.
    const auto at = std::lower_bound(m_counts.begin(), m_counts.end(), value,
                                     [](const auto &entry, double v) { return entry.first < v; });
    if (at != m_counts.end() && at->first == value)
        at->second += count;
    else
        m_counts.insert(at, {value, count});
}

void ValueCounts::merge(const ValueCounts &other)
{
    for (const auto &[value, count] : other.m_counts)
        add(value, count);
}

qint64 ValueCounts::atOrBelow(double threshold) const
{
    qint64 low = 0;
    for (const auto &[value, count] : m_counts) {
        if (!belowThreshold(value, threshold))
            break;
        low += count;
    }
    return low;
}

namespace {
constexpr qsizetype PairBytes = sizeof(double) + sizeof(quint32);

std::pair<double, quint32> pairAt(const char *at)
{
    quint64 bits;
    std::memcpy(&bits, at, sizeof bits);
    const quint64 valueBits = qFromLittleEndian(bits);
    double value;
    std::memcpy(&value, &valueBits, sizeof value);
    quint32 count;
    std::memcpy(&count, at + sizeof(double), sizeof count);
    return {value, qFromLittleEndian(count)};
}
} // namespace

QByteArray ValueCounts::packed() const
{
    QByteArray out(qsizetype(m_counts.size()) * PairBytes, Qt::Uninitialized);
    char *at = out.data();
    for (const auto &[value, count] : m_counts) {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        bits = qToLittleEndian(bits);
        const quint32 stored = qToLittleEndian(quint32(std::min<qint64>(count, 0xffffffff)));
        std::memcpy(at, &bits, sizeof bits);
        std::memcpy(at + sizeof bits, &stored, sizeof stored);
        at += PairBytes;
    }
    return out;
}

ValueCounts ValueCounts::unpacked(QByteArrayView packed)
{
    ValueCounts counts;
    for (qsizetype at = 0; at + PairBytes <= packed.size(); at += PairBytes) {
        const auto [value, count] = pairAt(packed.data() + at);
        counts.add(value, count);
    }
    return counts;
}

qint64 ValueCounts::atOrBelow(QByteArrayView packed, double threshold)
{
    qint64 low = 0;
    for (qsizetype at = 0; at + PairBytes <= packed.size(); at += PairBytes) {
        const auto [value, count] = pairAt(packed.data() + at);
        if (!belowThreshold(value, threshold))
            break;
        low += count;
    }
    return low;
}

ValueCounts ValueCounts::approximated(qint64 readings, double min, double max, qint64 low)
{
    ValueCounts counts;
    if (readings <= 0)
        return counts;
    if (min == max) {
        counts.add(min, readings);
    } else if (readings <= 2) {
        counts.add(min);
        counts.add(max, readings - 1);
    } else {
        const qint64 atMin = std::clamp<qint64>(low, 1, readings - 1);
        counts.add(min, atMin);
        counts.add(max, readings - atMin);
    }
    return counts;
}

void MinuteRow::addReading(double value)
{
    min = readings == 0 ? value : std::min(min, value);
    max = readings == 0 ? value : std::max(max, value);
    sum += value;
    ++readings;
    counts.add(value);
}

void MinuteRow::addFailure(const QString &why)
{
    ++failures;
    reason = why;
}

void MinuteRow::merge(const MinuteRow &other)
{
    if (other.readings > 0) {
        min = readings == 0 ? other.min : std::min(min, other.min);
        max = readings == 0 ? other.max : std::max(max, other.max);
    }
    readings += other.readings;
    sum += other.sum;
    if (other.low)
        low = low.value_or(0) + *other.low;
    counts.merge(other.counts);
    failures += other.failures;
    if (!other.reason.isEmpty())
        reason = other.reason;
}

namespace {

// Reads exactly `count` digits at `at`; -1 when any is not a digit.
int digits(const char *at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = at[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

constexpr double LargestReading = 1e6;

// The reading after the second comma: what the log writes, a plain decimal.
std::optional<double> readingOf(const char *begin, const char *end)
{
    while (end > begin && (end[-1] == '\r' || end[-1] == ' '))
        --end;
    if (begin == end)
        return std::nullopt;
    bool negative = false;
    const char *p = begin;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    double value = 0;
    int digitsSeen = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p, ++digitsSeen)
        value = value * 10 + (*p - '0');
    if (p < end && *p == '.') {
        double scale = 0.1;
        for (++p; p < end && *p >= '0' && *p <= '9'; ++p, ++digitsSeen, scale /= 10)
            value += (*p - '0') * scale;
    }
    // A reading no modem gives (a run of hundreds of digits adds up to
    // infinity, and infinity less infinity to NaN) is a malformed line.
    if (p != end || digitsSeen == 0 || value > LargestReading)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

std::optional<qint64> LogFolder::minuteOf(int year, int month, int day, int hour, int minute)
{
    // Converting a local time to UTC is slow; a day has only 24 hours to convert.
    const qint64 key = ((qint64(year) * 100 + month) * 100 + day) * 100 + hour;
    auto found = m_hourStarts.constFind(key);
    if (found == m_hourStarts.constEnd()) {
        const QDate date(year, month, day);
        if (!date.isValid())
            return std::nullopt;
        found = m_hourStarts.insert(key, epochMinute(QDateTime(date, QTime(hour, 0))));
    }
    return *found + minute;
}

qsizetype LogFolder::addLines(QByteArrayView content)
{
    const char *const data = content.data();
    const qsizetype size = content.size();
    qsizetype start = 0;
    while (start < size) {
        const char *lineStart = data + start;
        const auto *newline = static_cast<const char *>(memchr(lineStart, '\n', size_t(size - start)));
        if (!newline)
            break;
        const char *lineEnd = newline;
        start = newline - data + 1;
        ++m_lines;
        // "2004/03/15","09:05:07 pm",57 — fixed widths up to the reading.
        const qsizetype length = lineEnd - lineStart;
        const char *l = lineStart;
        const bool shaped = length >= 28 && l[0] == '"' && l[5] == '/' && l[8] == '/' && l[11] == '"' && l[12] == ','
            && l[13] == '"' && l[16] == ':' && l[19] == ':' && l[22] == ' ' && l[25] == '"' && l[26] == ',';
        const int year = shaped ? digits(l + 1, 4) : -1;
        const int month = shaped ? digits(l + 6, 2) : -1;
        const int day = shaped ? digits(l + 9, 2) : -1;
        int hour = shaped ? digits(l + 14, 2) : -1;
        const int minute = shaped ? digits(l + 17, 2) : -1;
        const int second = shaped ? digits(l + 20, 2) : -1;
        const char half = shaped ? char(l[23] | 0x20) : 0;
        const bool clock = hour >= 1 && hour <= 12 && minute >= 0 && minute < 60 && second >= 0 && second < 60
            && (half == 'a' || half == 'p') && (l[24] | 0x20) == 'm';
        const auto value = clock ? readingOf(l + 27, lineEnd) : std::nullopt;
        if (!value || year < 0 || month < 0 || day < 0) {
            ++m_skipped;
            continue;
        }
        // 12 am is the hour after midnight, 12 pm the hour after noon.
        hour = hour % 12 + (half == 'p' ? 12 : 0);
        const auto at = minuteOf(year, month, day, hour, minute);
        if (!at) {
            ++m_skipped;
            continue;
        }
        if (!m_last || m_last->minute != *at) {
            m_last = &m_minutes[*at];
            m_last->minute = *at;
        }
        m_last->addReading(*value);
    }
    return start;
}

RangeFigures RangeFigures::of(const QList<MinuteRow> &rows)
{
    RangeFigures f;
    qint64 runStart = 0;
    qint64 previous = -1;
    int run = 0;
    const auto endRun = [&f, &run, &runStart] {
        if (run == 0)
            return;
        ++f.outages;
        f.outageMinutes += run;
        if (run > f.longestOutage) {
            f.longestOutage = run;
            f.longestOutageStart = runStart;
        }
        run = 0;
    };
    for (const MinuteRow &row : rows) {
        if (row.readings > 0) {
            f.min = f.readings == 0 ? row.min : std::min(f.min, row.min);
            f.max = f.readings == 0 ? row.max : std::max(f.max, row.max);
            f.readings += row.readings;
            f.sum += row.sum;
            f.low += row.low.value_or(0);
        }
        // An outage is a run of minutes in a row in which polls gave nothing.
        if (row.isOutage()) {
            if (run == 0 || row.minute != previous + 1) {
                endRun();
                runStart = row.minute;
            }
            ++run;
        } else {
            endRun();
        }
        previous = row.minute;
    }
    endRun();
    return f;
}

QString RangeFigures::text(double threshold) const
{
    const QString share = readings == 0
        ? QStringLiteral("No readings")
        : QStringLiteral("%1% of readings at or below %2")
              .arg(QString::number(qRound(100.0 * double(low) / double(readings))), shortestText(threshold));
    if (outages == 0)
        return share + QStringLiteral(", no outages");
    return share
        + QStringLiteral(", outages: %1 (%2 min, longest %3 min at %4)")
              .arg(outages)
              .arg(outageMinutes)
              .arg(longestOutage)
              .arg(minuteStart(longestOutageStart).toLocalTime().toString(QStringLiteral("HH:mm")));
}

QString RecordEvent::kindName() const
{
    switch (kind) {
    case Low:
        return QStringLiteral("low");
    case Outage:
        return QStringLiteral("outage");
    case Refused:
        return QStringLiteral("refused");
    case Error:
        return QStringLiteral("error");
    case NotRunning:
        break;
    }
    return QStringLiteral("not_running");
}

QList<RecordEvent> recordEvents(const QList<MinuteRow> &rows, qint64 from, qint64 to, int gapMinutes)
{
    QList<RecordEvent> events;
    std::optional<RecordEvent> low, outage;
    const auto close = [&events](std::optional<RecordEvent> &run) {
        if (run)
            events.append(*std::exchange(run, std::nullopt));
    };
    // A run goes on in the next minute only: a missing minute ends it.
    const auto step = [&close](std::optional<RecordEvent> &run, RecordEvent::Kind kind, const MinuteRow &row,
                               bool holds) {
        if (run && (!holds || run->end != row.minute || run->kind != kind))
            close(run);
        if (!holds)
            return;
        if (!run)
            run = RecordEvent{kind, row.minute, row.minute, std::nullopt, {}};
        run->end = row.minute + 1;
        // A low spell has its lowest reading; the others their reason.
        if (kind == RecordEvent::Low)
            run->lowest = run->lowest ? std::min(*run->lowest, row.min) : row.min;
        else if (!row.reason.isEmpty())
            run->reason = row.reason;
    };
    const auto causeOf = [](const MinuteRow &row) {
        switch (failureCause(row.reason)) {
        case FailureCause::LoginRefused:
            return RecordEvent::Refused;
        case FailureCause::ErrorStatus:
            return RecordEvent::Error;
        case FailureCause::NoAnswer:
            break;
        }
        return RecordEvent::Outage;
    };
    qint64 covered = from;
    for (const MinuteRow &row : rows) {
        if (row.minute < from || row.minute >= to)
            continue;
        if (row.minute - covered >= gapMinutes)
            events.append({RecordEvent::NotRunning, covered, row.minute, std::nullopt, {}});
        covered = row.minute + 1;
        step(low, RecordEvent::Low, row, row.isLow());
        step(outage, causeOf(row), row, row.isOutage());
    }
    close(low);
    close(outage);
    if (to - covered >= gapMinutes)
        events.append({RecordEvent::NotRunning, covered, to, std::nullopt, {}});
    std::stable_sort(events.begin(), events.end(),
                     [](const RecordEvent &a, const RecordEvent &b) { return a.start < b.start; });
    return events;
}

namespace {
QByteArray csvText(const QString &text)
{
    QByteArray out = text.toUtf8();
    if (!out.contains(',') && !out.contains('"') && !out.contains('\n') && !out.contains('\r'))
        return out;
    return '"' + out.replace('"', "\"\"") + '"';
}

QByteArray localMinute(qint64 minute)
{
    return minuteStart(minute).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toLatin1();
}
} // namespace

QByteArray eventsCsv(const QList<RecordEvent> &events)
{
    QByteArray csv = "start,end,minutes,kind,lowest,reason\r\n";
    for (const RecordEvent &e : events)
        csv += localMinute(e.start) + ',' + localMinute(e.end) + ',' + QByteArray::number(e.minutes()) + ','
            + e.kindName().toLatin1() + ',' + (e.lowest ? shortestText(*e.lowest).toLatin1() : QByteArray()) + ','
            + csvText(e.reason) + "\r\n";
    return csv;
}

double coveragePercent(qsizetype rowCount, qint64 from, qint64 to)
{
    return to > from ? 100.0 * double(rowCount) / double(to - from) : 0.0;
}

QByteArray reportCsv(const QList<MinuteRow> &rows, QDate from, QDate to, double threshold, qint64 now)
{
    QByteArray csv = "date,readings,min,avg,max,percent_at_or_below,outage_minutes,threshold,coverage_percent,"
                     "low_minutes\r\n";
    qsizetype next = 0;
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        const qint64 begin = epochMinute(day.startOfDay());
        const qint64 end = epochMinute(day.addDays(1).startOfDay());
        while (next < rows.size() && rows[next].minute < begin)
            ++next;
        QList<MinuteRow> dayRows;
        for (; next < rows.size() && rows[next].minute < end; ++next)
            dayRows.append(rows[next]);
        const RangeFigures f = RangeFigures::of(dayRows);
        const auto figure = [&f](double v) { return f.readings ? shortestText(v).toLatin1() : QByteArray(); };
        const qint64 lowMinutes =
            std::count_if(dayRows.cbegin(), dayRows.cend(), [](const MinuteRow &r) { return r.isLow(); });
        const qint64 until = std::clamp(now, begin, end);
        csv += day.toString(Qt::ISODate).toLatin1() + ',' + QByteArray::number(f.readings) + ',' + figure(f.min) + ','
            + (f.readings ? QByteArray::number(f.sum / double(f.readings), 'f', 2) : QByteArray()) + ',' + figure(f.max)
            + ',' + (f.readings ? QByteArray::number(100.0 * double(f.low) / double(f.readings), 'f', 1) : QByteArray())
            + ',' + QByteArray::number(f.outageMinutes) + ','
            + (threshold == NoThreshold ? QByteArray() : shortestText(threshold).toLatin1()) + ','
            + (until > begin ? QByteArray::number(coveragePercent(dayRows.size(), begin, until), 'f', 1) : QByteArray())
            + ',' + QByteArray::number(lowMinutes) + "\r\n";
    }
    return csv;
}

} // namespace talvor
