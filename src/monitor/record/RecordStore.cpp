#include "RecordStore.h"

#include "RecordFunctions.h"
#include "SqlStatement.h"

#include <QFile>

#include <limits>

using talvor::MinuteRow;

const QString RecordStore::FileName = QStringLiteral("Talvor.record");

namespace {

// 2: minutes keep their readings by value.
constexpr int CurrentVersion = 2;

} // namespace

RecordStore::RecordStore(QString path, int busyMs)
    : m_path(std::move(path))
    , m_busyMs(busyMs)
{
}

RecordStore::~RecordStore()
{
    close();
}

void RecordStore::close()
{
    // Every statement is finalized by now: closing cannot be refused.
    sqlite3_close(m_db);
    m_db = nullptr;
    m_open = false;
}

bool RecordStore::failed() const
{
    m_code = m_db ? sqlite3_extended_errcode(m_db) : SQLITE_CANTOPEN;
    m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(m_code));
    return false;
}

bool RecordStore::readFailed() const
{
    failed();
    if (m_readError.isEmpty())
        m_readError = m_error;
    return false;
}

bool RecordStore::lastErrorIsDamage() const
{
    const int primary = m_code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool RecordStore::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK || failed();
}

QString RecordStore::attemptOpen(int flags)
{
    close();
    const int opened = sqlite3_open_v2(m_path.toUtf8().constData(), &m_db, flags, nullptr);
    if (opened != SQLITE_OK) {
        failed();
        return m_error;
    }
    if (sqlite3_busy_timeout(m_db, m_busyMs) != SQLITE_OK) {
        failed();
        return m_error;
    }
    if (registerRecordFunctions(m_db) != SQLITE_OK) {
        failed();
        return m_error;
    }
    return {};
}

QString RecordStore::openToRead()
{
    QString problem = attemptOpen(SQLITE_OPEN_READWRITE);
    m_open = problem.isEmpty();
    return problem;
}

QString RecordStore::open()
{
    const auto attempt = [this] {
        QString problem = attemptOpen(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (problem.isEmpty())
            problem = createTables();
        if (problem.isEmpty())
            m_open = true;
        else
            close();
        return problem;
    };
    const QString problem = attempt();
    if (problem.isEmpty())
        return {};
    if (!lastErrorIsDamage())
        return QStringLiteral("The record of readings %1 cannot be written now (%2); Talvor keeps the minutes and "
                              "tries again.")
            .arg(m_path, problem);
    // Damaged or not a database: kept for its owner, as a bad settings file is.
    const QString aside = setAside();
    if (aside.isEmpty())
        return QStringLiteral("The record of readings %1 is damaged (%2) and cannot be moved aside.")
            .arg(m_path, problem);
    const QString again = attempt();
    if (again.isEmpty())
        return QStringLiteral("The record of readings %1 could not be read (%2); it is kept as %3 and a new one "
                              "is started.")
            .arg(m_path, problem, aside);
    return QStringLiteral("The record of readings %1 cannot be kept: %2").arg(m_path, again);
}

QString RecordStore::setAside()
{
    close();
    m_checked = false;
    QString aside = m_path + QStringLiteral(".bad");
    for (int n = 2; QFile::exists(aside); ++n)
        aside = m_path + QStringLiteral(".bad.%1").arg(n);
    if (!QFile::rename(m_path, aside))
        return {};
    // The log of writes goes with the file it belongs to; the shared index is
    // rebuilt from them by whoever opens the file next.
    // Left behind, it would be replayed into the new record; a log that cannot
    // follow keeps the damaged file where it was.
    if (QFile::exists(m_path + QStringLiteral("-wal"))
        && !QFile::rename(m_path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"))) {
        QFile::rename(aside, m_path);
        return {};
    }
    QFile::remove(m_path + QStringLiteral("-shm"));
    return aside;
}

QString RecordStore::createTables()
{
    // WAL: a reader (the timeline) never waits for the minute being written.
    const char *statements[] = {
        "PRAGMA journal_mode=WAL",
        "PRAGMA synchronous=NORMAL",
        // A new record starts with today's columns; an older one is brought
        // to them below.
        "CREATE TABLE IF NOT EXISTS minutes(minute INTEGER PRIMARY KEY, readings INTEGER NOT NULL, min REAL, "
        "max REAL, sum REAL NOT NULL, failures INTEGER NOT NULL, reason TEXT, "
        "imported INTEGER NOT NULL DEFAULT 0, counts BLOB, approximate INTEGER NOT NULL DEFAULT 0)",
        "CREATE TABLE IF NOT EXISTS logs(name TEXT PRIMARY KEY, size INTEGER, modified INTEGER, offset INTEGER, "
        "tail INTEGER)",
        "CREATE TABLE IF NOT EXISTS value_minutes(name TEXT NOT NULL, minute INTEGER NOT NULL, "
        "readings INTEGER NOT NULL, min REAL, max REAL, sum REAL NOT NULL, counts BLOB, PRIMARY KEY(minute, name)) "
        "WITHOUT ROWID",
        "CREATE TABLE IF NOT EXISTS settings(at INTEGER NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL)",
        // A file that only looks like a database fails here, at its first read.
        "SELECT count(*) FROM minutes WHERE minute < 0",
    };
    for (const char *statement : statements) {
        if (!exec(statement))
            return m_error;
    }
    qint64 was = 0;
    {
        // Finished before the tables change: a statement under way locks them.
        SqlStatement version(m_db, QStringLiteral("PRAGMA user_version"));
        if (!version.next())
            return failed(), m_error;
        was = version.integer(0);
    }
    const auto hasColumn = [this](const char *table, const char *column) {
        SqlStatement q(m_db,
                       QStringLiteral("SELECT count(*) FROM pragma_table_info('%1') WHERE name = '%2'")
                           .arg(QLatin1String(table), QLatin1String(column)));
        return q.next() ? std::optional<bool>(q.integer(0) > 0) : (failed(), std::nullopt);
    };
    if (was < CurrentVersion) {
        // 1: logs got a tail; a missing tail reads as a log to be checked
        // from its start. 2: minutes keep their readings by value, so any
        // threshold counts exactly. What older minutes kept allows an
        // approximation, marked as such; logs still in the folder are read
        // again and give their minutes exactly. Dropping the old column needs
        // SQLite 3.35, the oldest the build accepts.
        const auto tail = hasColumn("logs", "tail");
        const auto counts = hasColumn("minutes", "counts");
        const bool migrated = tail && counts && exec("BEGIN IMMEDIATE")
            && (*tail || exec("ALTER TABLE logs ADD COLUMN tail INTEGER"))
            && (*counts
                || (exec("ALTER TABLE minutes ADD COLUMN counts BLOB")
                    && exec("ALTER TABLE minutes ADD COLUMN approximate INTEGER NOT NULL DEFAULT 0")
                    && exec("UPDATE minutes SET counts = approximated_counts(readings, min, max, low), "
                            "approximate = NOT approximation_is_exact(readings, min, max)")
                    && exec("ALTER TABLE minutes DROP COLUMN low")
                    && exec("UPDATE logs SET size = -1, tail = 0 WHERE offset > 0")
                    && exec("DROP TABLE IF EXISTS hours")))
            && exec("CREATE TABLE IF NOT EXISTS hours(minute INTEGER PRIMARY KEY, readings INTEGER NOT NULL, "
                    "min REAL, max REAL, sum REAL NOT NULL, failures INTEGER NOT NULL, reason TEXT, "
                    "outage_minutes INTEGER NOT NULL, counts BLOB)")
            && exec("CREATE INDEX IF NOT EXISTS approximate_minutes ON minutes(minute) WHERE approximate")
            // An outage has failures: the figures find them without reading every minute.
            && exec("CREATE INDEX IF NOT EXISTS failed_minutes ON minutes(minute) WHERE failures > 0")
            && (*counts || refreshHours(std::numeric_limits<qint64>::min() / 2, std::numeric_limits<qint64>::max() / 2))
            && exec(QStringLiteral("PRAGMA user_version=%1").arg(CurrentVersion).toLatin1().constData())
            && exec("COMMIT");
        if (!migrated) {
            rollback();
            return m_error;
        }
    }
    // A damaged page in the middle of the file shows only when it is read;
    // the whole file is read once, not at every reopening.
    if (m_checked)
        return {};
    SqlStatement check(m_db, QStringLiteral("PRAGMA quick_check(1)"));
    if (!check.next())
        return failed(), m_error;
    if (check.text(0) != u"ok") {
        m_code = SQLITE_CORRUPT;
        m_error = check.text(0);
        return m_error;
    }
    m_checked = true;
    return {};
}

bool RecordStore::transaction()
{
    // The write lock is taken now, not at the first write halfway through.
    return m_open && exec("BEGIN IMMEDIATE");
}

bool RecordStore::commit()
{
    return m_open && exec("COMMIT");
}

void RecordStore::rollback()
{
    // What went wrong is kept, not what the rollback said.
    const QString error = m_error;
    const int code = m_code;
    if (sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_error = error;
    m_code = code;
}

bool RecordStore::writeLive(const MinuteRow &row, const talvor::ValueMinutes &values)
{
    if (!transaction())
        return false;
    MinuteRow merged = row;
    bool read = false;
    {
        SqlStatement q(
            m_db,
            QStringLiteral("SELECT minute, readings, min, max, sum, NULL, failures, reason, counts FROM minutes "
                           "WHERE minute = ? AND imported = 0"));
        if (q.bind(row.minute).next()) {
            merged = rowFrom(q);
            merged.merge(row);
            read = true;
        } else {
            read = q.done() || failed();
        }
    }
    SqlStatement q(m_db,
                   QStringLiteral("INSERT OR REPLACE INTO minutes(minute, readings, min, max, sum, failures, reason, "
                                  "imported, counts) VALUES(?, ?, ?, ?, ?, ?, ?, 0, ?)"));
    q.bind(merged.minute)
        .bind(qint64(merged.readings))
        .bindOrNull(merged.readings > 0, merged.min)
        .bindOrNull(merged.readings > 0, merged.max)
        .bind(merged.sum)
        .bind(qint64(merged.failures))
        .bind(merged.reason)
        .bind(merged.counts.packed());
    if (read && (q.run() || failed()) && writeValues(values) && refreshHours(row.minute, row.minute + 1) && commit())
        return true;
    rollback();
    return false;
}

namespace {
// A minute's readings as the upserts that add minutes together take them:
// readings, min, max, sum and the counts by value.
SqlStatement &bindReadings(SqlStatement &q, const MinuteRow &row)
{
    return q.bind(qint64(row.readings)).bind(row.min).bind(row.max).bind(row.sum).bind(row.counts.packed());
}
} // namespace

bool RecordStore::writeValues(const talvor::ValueMinutes &values)
{
    SqlStatement q(m_db,
                   QStringLiteral("INSERT INTO value_minutes(name, minute, readings, min, max, sum, counts) "
                                  "VALUES(?, ?, ?, ?, ?, ?, ?) ON CONFLICT(minute, name) DO UPDATE SET "
                                  "readings = readings + excluded.readings, min = MIN(min, excluded.min), "
                                  "max = MAX(max, excluded.max), sum = sum + excluded.sum, "
                                  "counts = counts_plus(counts, excluded.counts)"));
    for (const auto &[name, row] : values) {
        q.reset();
        if (!bindReadings(q.bind(name).bind(row.minute), row).run())
            return failed();
    }
    return true;
}

bool RecordStore::writeImported(const std::map<qint64, MinuteRow> &rows)
{
    if (!m_open || rows.empty())
        return m_open;
    // A minute seen live is left alone; one imported before takes the new lines too.
    SqlStatement q(
        m_db,
        QStringLiteral("INSERT INTO minutes(minute, readings, min, max, sum, failures, reason, imported, counts) "
                       "VALUES(?, ?, ?, ?, ?, 0, NULL, 1, ?) ON CONFLICT(minute) DO UPDATE SET "
                       "readings = readings + excluded.readings, "
                       "min = MIN(COALESCE(min, excluded.min), excluded.min), "
                       "max = MAX(COALESCE(max, excluded.max), excluded.max), sum = sum + excluded.sum, "
                       "counts = counts_plus(counts, excluded.counts) WHERE imported = 1"));
    for (const auto &[key, row] : rows) {
        q.reset();
        if (!bindReadings(q.bind(key), row).run())
            return failed();
    }
    return refreshHours(rows.begin()->first, rows.rbegin()->first + 1);
}

bool RecordStore::refreshHours(qint64 fromMinute, qint64 toMinute)
{
    SqlStatement q(
        m_db,
        QStringLiteral("INSERT OR REPLACE INTO hours(minute, readings, min, max, sum, failures, reason, "
                       "outage_minutes, counts) SELECT (minute / 60) * 60, SUM(readings), MIN(min), MAX(max), "
                       "SUM(sum), SUM(failures), MAX(reason), SUM(" TALVOR_OUTAGE "), merge_counts(counts) "
                       "FROM minutes WHERE minute >= ? AND minute < ? GROUP BY minute / 60"));
    return q.bind(fromMinute / 60 * 60).bind((toMinute + 59) / 60 * 60).run() || failed();
}

bool RecordStore::prune(qint64 minute)
{
    if (!transaction())
        return false;
    for (const QString &table : {QStringLiteral("minutes"), QStringLiteral("hours"), QStringLiteral("value_minutes")}) {
        if (!SqlStatement(m_db, QStringLiteral("DELETE FROM %1 WHERE minute < ?").arg(table)).bind(minute).run()) {
            failed();
            rollback();
            return false;
        }
    }
    return commit() || (rollback(), false);
}

bool RecordStore::forgetImported(qint64 from, qint64 to)
{
    SqlStatement q(m_db, QStringLiteral("DELETE FROM minutes WHERE imported = 1 AND minute >= ? AND minute < ?"));
    return (q.bind(from).bind(to).run() || failed()) && refreshHours(from, to);
}

bool RecordStore::writeSetting(const talvor::SettingChange &change)
{
    if (!m_open)
        return false;
    // A restart with the same settings adds nothing.
    SqlStatement q(m_db,
                   QStringLiteral("INSERT INTO settings(at, name, value) SELECT ?1, ?2, ?3 WHERE ?3 IS NOT "
                                  "(SELECT value FROM settings WHERE name = ?2 ORDER BY at DESC, rowid DESC "
                                  "LIMIT 1)"));
    return q.bind(change.atMs).bind(change.name).bind(change.value).run() || failed();
}

bool RecordStore::setLogMark(const QString &name, const LogMark &mark)
{
    if (!m_open)
        return false;
    SqlStatement q(
        m_db, QStringLiteral("INSERT OR REPLACE INTO logs(name, size, modified, offset, tail) VALUES(?, ?, ?, ?, ?)"));
    return q.bind(name).bind(mark.size).bind(mark.modified).bind(mark.offset).bind(mark.tail).run() || failed();
}
