#include "RecordStore.h"

#include <QFile>

#include <sqlite3.h>

using talvor::MinuteRow;

const QString RecordStore::FileName = QStringLiteral("Talvor.record");

namespace {

// MinuteRow::isOutage in SQL: most polls of the minute gave no reading.
#define TALVOR_OUTAGE "failures > readings"

// One prepared statement: values bound in the order of its parameters,
// columns read from 0. A statement that failed to prepare runs as a failure.
class Statement {
public:
    Statement(sqlite3 *db, const QString &sql)
        : m_db(db)
    {
        if (db)
            sqlite3_prepare16_v2(db, sql.utf16(), int(sql.size() * 2), &m_statement, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(qint64 value)
    {
        sqlite3_bind_int64(m_statement, ++m_bound, value);
        return *this;
    }
    Statement &bind(double value)
    {
        sqlite3_bind_double(m_statement, ++m_bound, value);
        return *this;
    }
    // NULL for a null text, or where the minute had no reading.
    Statement &bind(const QString &text)
    {
        if (text.isNull())
            sqlite3_bind_null(m_statement, ++m_bound);
        else
            sqlite3_bind_text16(m_statement, ++m_bound, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bindOrNull(bool present, double value)
    {
        if (present)
            return bind(value);
        sqlite3_bind_null(m_statement, ++m_bound);
        return *this;
    }

    // The next row; false at the end or on an error.
    bool next() { return m_statement && sqlite3_step(m_statement) == SQLITE_ROW; }
    // Runs it to the end.
    bool run()
    {
        if (!m_statement)
            return false;
        int result;
        while ((result = sqlite3_step(m_statement)) == SQLITE_ROW) { }
        return result == SQLITE_DONE;
    }
    // Ready to run again with new values.
    void reset()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        m_bound = 0;
    }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    double real(int column) const { return sqlite3_column_double(m_statement, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    QString text(int column) const
    {
        const auto *text = static_cast<const char16_t *>(sqlite3_column_text16(m_statement, column));
        return text ? QString::fromUtf16(text, sqlite3_column_bytes16(m_statement, column) / 2) : QString();
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
    int m_bound = 0;
};

MinuteRow rowFrom(const Statement &q)
{
    MinuteRow row;
    row.minute = q.integer(0);
    row.readings = int(q.integer(1));
    row.min = q.real(2);
    row.max = q.real(3);
    row.sum = q.real(4);
    row.low = int(q.integer(5));
    row.failures = int(q.integer(6));
    row.reason = q.text(7);
    return row;
}

} // namespace

RecordStore::RecordStore(QString path)
    : m_path(std::move(path))
{
}

RecordStore::~RecordStore()
{
    sqlite3_close(m_db);
}

bool RecordStore::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString RecordStore::open()
{
    const auto attempt = [this] {
        sqlite3_close(m_db);
        m_db = nullptr;
        const int opened =
            sqlite3_open_v2(m_path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (opened != SQLITE_OK)
            return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(opened));
        // The import writes on its own connection: each waits for the other.
        sqlite3_busy_timeout(m_db, 5000);
        return createTables();
    };
    QString problem = attempt();
    if (problem.isEmpty()) {
        m_open = true;
        return {};
    }
    // Damaged or not a database: kept for its owner, as a bad settings file is.
    sqlite3_close(m_db);
    m_db = nullptr;
    const QString aside = m_path + QStringLiteral(".bad");
    QFile::remove(aside);
    for (const QString &part : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (part.isEmpty())
            QFile::rename(m_path, aside);
        else
            QFile::remove(m_path + part);
    }
    const QString again = attempt();
    m_open = again.isEmpty();
    if (m_open)
        return QStringLiteral("The record of readings %1 could not be read (%2); it is kept as %3 and a new one "
                              "is started.")
            .arg(m_path, problem, aside);
    return QStringLiteral("The record of readings %1 cannot be kept: %2").arg(m_path, again);
}

QString RecordStore::createTables()
{
    // WAL: a reader (the timeline) never waits for the minute being written.
    const char *statements[] = {
        "PRAGMA journal_mode=WAL",
        "PRAGMA synchronous=NORMAL",
        "CREATE TABLE IF NOT EXISTS minutes(minute INTEGER PRIMARY KEY, readings INTEGER NOT NULL, min REAL, "
        "max REAL, sum REAL NOT NULL, low INTEGER NOT NULL, failures INTEGER NOT NULL, reason TEXT, "
        "imported INTEGER NOT NULL DEFAULT 0)",
        "CREATE TABLE IF NOT EXISTS hours(minute INTEGER PRIMARY KEY, readings INTEGER NOT NULL, min REAL, "
        "max REAL, sum REAL NOT NULL, low INTEGER NOT NULL, failures INTEGER NOT NULL, reason TEXT, "
        "outage_minutes INTEGER NOT NULL)",
        "CREATE TABLE IF NOT EXISTS logs(name TEXT PRIMARY KEY, size INTEGER, modified INTEGER, offset INTEGER)",
        // A file that only looks like a database fails here, at its first read.
        "SELECT count(*) FROM minutes WHERE minute < 0",
    };
    for (const char *statement : statements) {
        if (!exec(statement))
            return QString::fromUtf8(sqlite3_errmsg(m_db));
    }
    return {};
}

bool RecordStore::transaction()
{
    return m_open && exec("BEGIN");
}

bool RecordStore::commit()
{
    return m_open && exec("COMMIT");
}

bool RecordStore::writeLive(const MinuteRow &row)
{
    if (!m_open)
        return false;
    MinuteRow merged = row;
    {
        Statement q(m_db,
                    QStringLiteral("SELECT minute, readings, min, max, sum, low, failures, reason FROM minutes "
                                   "WHERE minute = ? AND imported = 0"));
        if (q.bind(row.minute).next()) {
            merged = rowFrom(q);
            merged.merge(row);
        }
    }
    exec("BEGIN");
    Statement q(m_db,
                QStringLiteral("INSERT OR REPLACE INTO minutes(minute, readings, min, max, sum, low, failures, "
                               "reason, imported) VALUES(?, ?, ?, ?, ?, ?, ?, ?, 0)"));
    q.bind(merged.minute)
        .bind(qint64(merged.readings))
        .bindOrNull(merged.readings > 0, merged.min)
        .bindOrNull(merged.readings > 0, merged.max)
        .bind(merged.sum)
        .bind(qint64(merged.low))
        .bind(qint64(merged.failures))
        .bind(merged.reason);
    const bool written = q.run() && refreshHours(row.minute, row.minute + 1);
    return written ? exec("COMMIT") : (exec("ROLLBACK"), false);
}

bool RecordStore::writeImported(const std::map<qint64, MinuteRow> &rows)
{
    if (!m_open || rows.empty())
        return m_open;
    // A minute seen live is left alone; one imported before takes the new lines too.
    Statement q(
        m_db,
        QStringLiteral("INSERT INTO minutes(minute, readings, min, max, sum, low, failures, reason, imported) "
                       "VALUES(?, ?, ?, ?, ?, ?, 0, NULL, 1) ON CONFLICT(minute) DO UPDATE SET "
                       "readings = readings + excluded.readings, min = MIN(COALESCE(min, excluded.min), excluded.min), "
                       "max = MAX(COALESCE(max, excluded.max), excluded.max), sum = sum + excluded.sum, "
                       "low = low + excluded.low WHERE imported = 1"));
    for (const auto &[key, row] : rows) {
        q.reset();
        if (!q.bind(key)
                 .bind(qint64(row.readings))
                 .bind(row.min)
                 .bind(row.max)
                 .bind(row.sum)
                 .bind(qint64(row.low))
                 .run())
            return false;
    }
    return refreshHours(rows.begin()->first, rows.rbegin()->first + 1);
}

bool RecordStore::refreshHours(qint64 fromMinute, qint64 toMinute)
{
    Statement q(
        m_db,
        QStringLiteral("INSERT OR REPLACE INTO hours SELECT (minute / 60) * 60, SUM(readings), MIN(min), MAX(max), "
                       "SUM(sum), SUM(low), SUM(failures), MAX(reason), SUM(" TALVOR_OUTAGE ") FROM minutes "
                       "WHERE minute >= ? AND minute < ? GROUP BY minute / 60"));
    return q.bind(fromMinute / 60 * 60).bind((toMinute + 59) / 60 * 60).run();
}

void RecordStore::prune(qint64 minute)
{
    if (!m_open)
        return;
    for (const QString &table : {QStringLiteral("minutes"), QStringLiteral("hours")})
        Statement(m_db, QStringLiteral("DELETE FROM %1 WHERE minute < ?").arg(table)).bind(minute).run();
}

QList<MinuteRow> RecordStore::rows(qint64 from, qint64 to) const
{
    return minuteRows(QStringLiteral("minute, readings, min, max, sum, low, failures, reason"), QString(), from, to);
}

QList<MinuteRow> RecordStore::minuteRows(const QString &columns, const QString &condition, qint64 from, qint64 to) const
{
    QList<MinuteRow> rows;
    if (!m_open)
        return rows;
    Statement q(m_db,
                QStringLiteral("SELECT %1 FROM minutes WHERE minute >= ? AND minute < ? %2 ORDER BY minute")
                    .arg(columns, condition));
    q.bind(from).bind(to);
    while (q.next())
        rows.append(rowFrom(q));
    return rows;
}

QList<TimelineColumn> RecordStore::columns(qint64 from, qint64 to, int count) const
{
    QList<TimelineColumn> columns(qMax(0, count));
    if (!m_open || count <= 0 || to <= from)
        return columns;
    // Beyond an hour a column, the hourly sums answer a year in milliseconds.
    const qint64 span = to - from;
    const bool hourly = span / count >= 60;
    Statement q(m_db,
                QStringLiteral("SELECT ((minute - ?1) * ?2) / ?3, SUM(readings), MIN(min), MAX(max), "
                               "SUM(sum), SUM(low), SUM(failures), MAX(reason), %1 FROM %2 "
                               "WHERE minute >= ?1 AND minute < ?4 GROUP BY 1")
                    .arg(hourly ? QStringLiteral("SUM(outage_minutes)") : QStringLiteral("SUM(" TALVOR_OUTAGE ")"),
                         hourly ? QStringLiteral("hours") : QStringLiteral("minutes")));
    q.bind(from).bind(qint64(count)).bind(span).bind(to);
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
    return columns;
}

talvor::RangeFigures RecordStore::figures(qint64 from, qint64 to) const
{
    QList<MinuteRow> rows;
    if (!m_open || to <= from)
        return {};
    const qint64 firstHour = (from + 59) / 60 * 60;
    const qint64 lastHour = to / 60 * 60;
    const auto add = [&](const char *table, qint64 begin, qint64 end) {
        if (end <= begin)
            return;
        Statement q(m_db,
                    QStringLiteral("SELECT -1, SUM(readings), MIN(min), MAX(max), SUM(sum), SUM(low), 0, NULL "
                                   "FROM %1 WHERE minute >= ? AND minute < ?")
                        .arg(QLatin1String(table)));
        if (q.bind(begin).bind(end).next() && q.integer(1) > 0)
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
                       QStringLiteral("AND " TALVOR_OUTAGE), from, to);
    return talvor::RangeFigures::of(rows);
}

std::optional<qint64> RecordStore::firstMinute() const
{
    if (!m_open)
        return std::nullopt;
    Statement q(m_db, QStringLiteral("SELECT MIN(minute) FROM minutes"));
    if (q.next() && !q.isNull(0))
        return q.integer(0);
    return std::nullopt;
}

std::optional<RecordStore::LogMark> RecordStore::logMark(const QString &name) const
{
    if (!m_open)
        return std::nullopt;
    Statement q(m_db, QStringLiteral("SELECT size, modified, offset FROM logs WHERE name = ?"));
    if (q.bind(name).next())
        return LogMark{q.integer(0), q.integer(1), q.integer(2)};
    return std::nullopt;
}

bool RecordStore::setLogMark(const QString &name, const LogMark &mark)
{
    if (!m_open)
        return false;
    Statement q(m_db, QStringLiteral("INSERT OR REPLACE INTO logs(name, size, modified, offset) VALUES(?, ?, ?, ?)"));
    return q.bind(name).bind(mark.size).bind(mark.modified).bind(mark.offset).run();
}
