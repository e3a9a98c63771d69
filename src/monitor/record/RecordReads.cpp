#include "RecordFunctions.h"
#include "RecordStore.h"
#include "SqlStatement.h"
#include "core/reading/NamedValues.h"

// What the record answers: minutes, columns, figures and marks, each read
// checked to its end (see readError()).

using talvor::MinuteRow;

QList<MinuteRow> RecordStore::rows(qint64 from, qint64 to, double threshold) const
{
    return minuteRows(QStringLiteral("minute, readings, min, max, sum, low_at(counts, ?3), failures, reason"),
                      QString(), from, to, threshold);
}

QList<MinuteRow> RecordStore::minuteRows(const QString &columns, const QString &condition, qint64 from, qint64 to,
                                         std::optional<double> threshold) const
{
    QList<MinuteRow> rows;
    if (!m_open)
        return rows;
    SqlStatement q(m_db,
                   QStringLiteral("SELECT %1 FROM minutes WHERE minute >= ?1 AND minute < ?2 %2 ORDER BY minute")
                       .arg(columns, condition));
    q.bind(from).bind(to);
    if (threshold)
        q.bind(*threshold);
    while (q.next())
        rows.append(rowFrom(q));
    if (!q.done())
        readFailed();
    return rows;
}

QList<TimelineColumn> RecordStore::columns(qint64 from, qint64 to, int count, double threshold) const
{
    QList<TimelineColumn> columns(qMax(0, count));
    if (!m_open || count <= 0 || to <= from)
        return columns;
    const qint64 span = to - from;
    // Zoomed in to more columns than minutes: each minute spans the columns
    // it covers, so that adjacent minutes draw as one band, not as stripes
    // with "not running" between them.
    if (span < count) {
        const QList<TimelineColumn> minutes = this->columns(from, to, int(span), threshold);
        for (int c = 0; c < count; ++c)
            columns[c] = minutes[qsizetype(c * span / count)];
        return columns;
    }
    // Beyond an hour a column, the hourly sums answer a year in milliseconds.
    const bool hourly = span / count >= 60;
    SqlStatement q(m_db,
                   QStringLiteral("SELECT ((minute - ?1) * ?2) / ?3, SUM(readings), MIN(min), MAX(max), "
                                  "SUM(sum), SUM(low_at(counts, ?5)), SUM(failures), MAX(reason), %1 FROM %2 "
                                  "WHERE minute >= ?1 AND minute < ?4 GROUP BY 1")
                       .arg(hourly ? QStringLiteral("SUM(outage_minutes)") : QStringLiteral("SUM(" TALVOR_OUTAGE ")"),
                            hourly ? QStringLiteral("hours") : QStringLiteral("minutes")));
    q.bind(from).bind(qint64(count)).bind(span).bind(to).bind(threshold);
    while (q.next()) {
        const qint64 index = q.integer(0);
        if (index < 0 || index >= count)
            continue;
        TimelineColumn &column = columns[index];
        column.sums = rowFrom(q);
        column.sums.minute = from + index * span / count;
        column.outageMinutes = int(q.integer(8));
        column.outageReason = column.sums.reason;
    }
    if (!q.done())
        readFailed();
    return columns;
}

talvor::RangeFigures RecordStore::figures(qint64 from, qint64 to, double threshold,
                                          const std::optional<MinuteRow> &pending) const
{
    QList<MinuteRow> rows;
    if (!m_open || to <= from)
        return {};
    const qint64 firstHour = (from + 59) / 60 * 60;
    const qint64 lastHour = to / 60 * 60;
    const auto add = [&](const char *table, qint64 begin, qint64 end) {
        if (end <= begin)
            return;
        SqlStatement q(
            m_db,
            QStringLiteral("SELECT -1, SUM(readings), MIN(min), MAX(max), SUM(sum), SUM(low_at(counts, ?)), 0, "
                           "NULL FROM %1 WHERE minute >= ? AND minute < ?")
                .arg(QLatin1String(table)));
        if (!q.bind(threshold).bind(begin).bind(end).next())
            readFailed();
        else if (q.integer(1) > 0)
            rows.append(rowFrom(q));
    };
    if (firstHour < lastHour) {
        add("minutes", from, firstHour);
        add("hours", firstHour, lastHour);
        add("minutes", lastHour, to);
    } else {
        add("minutes", from, to);
    }
    // The outage minutes alone, their readings counted in the totals already.
    rows += minuteRows(QStringLiteral("minute, 0, NULL, NULL, 0, 0, failures, reason"),
                       QStringLiteral("AND failures > 0 AND " TALVOR_OUTAGE), from, to, std::nullopt);
    if (pending && pending->minute >= from && pending->minute < to) {
        MinuteRow live = *pending;
        live.low = live.counts.atOrBelow(threshold);
        rows.append(live);
    }
    return talvor::RangeFigures::of(rows);
}

std::optional<qint64> RecordStore::oneNumber(const QString &sql) const
{
    if (!m_open)
        return std::nullopt;
    SqlStatement q(m_db, sql);
    if (!q.next())
        return readFailed(), std::nullopt;
    return q.isNull(0) ? std::nullopt : std::optional<qint64>(q.integer(0));
}

std::optional<qint64> RecordStore::approximateUntil() const
{
    return oneNumber(QStringLiteral("SELECT MAX(minute) + 1 FROM minutes WHERE approximate"));
}

qint64 RecordStore::minutesKept(qint64 from, qint64 to) const
{
    if (!m_open)
        return 0;
    SqlStatement q(m_db, QStringLiteral("SELECT count(*) FROM minutes WHERE minute >= ? AND minute < ?"));
    return q.bind(from).bind(to).next() ? q.integer(0) : (readFailed(), 0);
}

std::optional<qint64> RecordStore::firstMinute() const
{
    return oneNumber(QStringLiteral("SELECT MIN(minute) FROM minutes"));
}

std::optional<qint64> RecordStore::lastMinute() const
{
    return oneNumber(QStringLiteral("SELECT MAX(minute) FROM minutes"));
}

std::optional<RecordStore::LogMark> RecordStore::logMark(const QString &name) const
{
    if (!m_open)
        return std::nullopt;
    SqlStatement q(m_db, QStringLiteral("SELECT size, modified, offset, tail FROM logs WHERE name = ?"));
    if (q.bind(name).next())
        return LogMark{q.integer(0), q.integer(1), q.integer(2), q.integer(3)};
    if (!q.done())
        readFailed();
    return std::nullopt;
}

QList<talvor::SettingChange> RecordStore::settingChanges(const QString &name) const
{
    QList<talvor::SettingChange> changes;
    if (!m_open)
        return changes;
    SqlStatement q(m_db, QStringLiteral("SELECT at, value FROM settings WHERE name = ? ORDER BY at, rowid"));
    q.bind(name);
    while (q.next())
        changes << talvor::SettingChange{q.integer(0), name, q.text(1)};
    if (!q.done())
        readFailed();
    return changes;
}

QList<int> RecordStore::pollsPerMinute(qint64 from, qint64 to) const
{
    QList<int> polls;
    if (!m_open)
        return polls;
    SqlStatement q(m_db, QStringLiteral("SELECT readings + failures FROM minutes WHERE minute >= ? AND minute < ?"));
    q.bind(from).bind(to);
    while (q.next())
        polls << int(q.integer(0));
    if (!q.done())
        readFailed();
    return polls;
}

bool RecordStore::showValue(const QString &name)
{
    if (m_open && name.isEmpty())
        return (SqlStatement(m_db, QStringLiteral("DROP VIEW IF EXISTS temp.minutes")).run()
                && SqlStatement(m_db, QStringLiteral("DROP VIEW IF EXISTS temp.hours")).run())
            || failed();
    if (!m_open || !talvor::isValueName(name) || !valueNames().contains(name))
        return false;
    // Temporary views of the same names stand in front of the tables, so
    // that every query of the record reads the value; the name is checked
    // above to be letters, digits and _ only.
    const QString views[] = {
        QStringLiteral("DROP VIEW IF EXISTS temp.minutes"),
        QStringLiteral("DROP VIEW IF EXISTS temp.hours"),
        QStringLiteral("CREATE TEMP VIEW minutes AS SELECT m.minute AS minute, COALESCE(v.readings, 0) AS readings, "
                       "v.min AS min, v.max AS max, COALESCE(v.sum, 0) AS sum, m.failures AS failures, "
                       "m.reason AS reason, m.imported AS imported, v.counts AS counts, 0 AS approximate "
                       "FROM main.minutes m LEFT JOIN main.value_minutes v ON v.minute = m.minute AND v.name = '%1'")
            .arg(name),
        QStringLiteral("CREATE TEMP VIEW hours AS SELECT (minute / 60) * 60 AS minute, SUM(readings) AS readings, "
                       "MIN(min) AS min, MAX(max) AS max, SUM(sum) AS sum, SUM(failures) AS failures, "
                       "MAX(reason) AS reason, SUM(" TALVOR_OUTAGE
                       ") AS outage_minutes, merge_counts(counts) AS counts "
                       "FROM temp.minutes GROUP BY minute / 60"),
    };
    for (const QString &sql : views)
        if (!SqlStatement(m_db, sql).run())
            return failed();
    return true;
}

QStringList RecordStore::valueNames() const
{
    QStringList names;
    if (!m_open)
        return names;
    SqlStatement q(m_db, QStringLiteral("SELECT DISTINCT name FROM value_minutes ORDER BY name"));
    while (q.next())
        names << q.text(0);
    if (!q.done())
        readFailed();
    return names;
}
