#include "RecordStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using talvor::MinuteRow;

const QString RecordStore::FileName = QStringLiteral("Talvor.record");

namespace {

QSqlDatabase databaseOf(const QString &connection)
{
    return QSqlDatabase::database(connection, false);
}

// A row's value, NULL where the minute had no reading.
QVariant valueOrNull(bool present, double value)
{
    return present ? QVariant(value) : QVariant(QMetaType(QMetaType::Double));
}

// MinuteRow::isOutage in SQL: most polls of the minute gave no reading.
#define TALVOR_OUTAGE "failures > readings"

MinuteRow rowFrom(const QSqlQuery &q)
{
    MinuteRow row;
    row.minute = q.value(0).toLongLong();
    row.readings = q.value(1).toInt();
    row.min = q.value(2).toDouble();
    row.max = q.value(3).toDouble();
    row.sum = q.value(4).toDouble();
    row.low = q.value(5).toInt();
    row.failures = q.value(6).toInt();
    row.reason = q.value(7).toString();
    return row;
}

} // namespace

RecordStore::RecordStore(QString path, QString connectionName)
    : m_path(std::move(path))
    , m_connection(std::move(connectionName))
{
}

RecordStore::~RecordStore()
{
    {
        QSqlDatabase db = databaseOf(m_connection);
        if (db.isValid())
            db.close();
    }
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

QString RecordStore::open()
{
    const auto attempt = [this] {
        QSqlDatabase db = QSqlDatabase::contains(m_connection)
            ? databaseOf(m_connection)
            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        if (!db.open())
            return db.lastError().text();
        return createTables();
    };
    QString problem = attempt();
    if (problem.isEmpty()) {
        m_open = true;
        return {};
    }
    if (!QSqlDatabase::drivers().contains(QStringLiteral("QSQLITE")))
        return QStringLiteral("The record of readings is off: Qt's SQLite driver is not installed "
                              "(Debian: libqt6sql6-sqlite).");
    // Damaged or not a database: kept for its owner, as a bad settings file is.
    databaseOf(m_connection).close();
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
    QSqlQuery q(databaseOf(m_connection));
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
    };
    for (const char *statement : statements) {
        if (!q.exec(QString::fromLatin1(statement)))
            return q.lastError().text();
    }
    // A file that only looks like a database fails here, at its first read.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM minutes WHERE minute < 0")))
        return q.lastError().text();
    return {};
}

bool RecordStore::transaction()
{
    return databaseOf(m_connection).transaction();
}

bool RecordStore::commit()
{
    return databaseOf(m_connection).commit();
}

bool RecordStore::writeLive(const MinuteRow &row)
{
    if (!m_open)
        return false;
    QSqlDatabase db = databaseOf(m_connection);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT minute, readings, min, max, sum, low, failures, reason FROM minutes "
                             "WHERE minute = ? AND imported = 0"));
    q.addBindValue(row.minute);
    MinuteRow merged = row;
    if (q.exec() && q.next()) {
        merged = rowFrom(q);
        merged.merge(row);
    }
    q.finish();
    db.transaction();
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO minutes(minute, readings, min, max, sum, low, failures, reason, "
                             "imported) VALUES(?, ?, ?, ?, ?, ?, ?, ?, 0)"));
    for (const QVariant &v :
         {QVariant(merged.minute), QVariant(merged.readings), valueOrNull(merged.readings > 0, merged.min),
          valueOrNull(merged.readings > 0, merged.max), QVariant(merged.sum), QVariant(merged.low),
          QVariant(merged.failures), QVariant(merged.reason)})
        q.addBindValue(v);
    const bool written = q.exec() && refreshHours(row.minute, row.minute + 1);
    return written ? db.commit() : (db.rollback(), false);
}

bool RecordStore::writeImported(const std::map<qint64, MinuteRow> &rows)
{
    if (!m_open || rows.empty())
        return m_open;
    QSqlQuery q(databaseOf(m_connection));
    // A minute seen live is left alone; one imported before takes the new lines too.
    q.prepare(
        QStringLiteral("INSERT INTO minutes(minute, readings, min, max, sum, low, failures, reason, imported) "
                       "VALUES(?, ?, ?, ?, ?, ?, 0, NULL, 1) ON CONFLICT(minute) DO UPDATE SET "
                       "readings = readings + excluded.readings, min = MIN(COALESCE(min, excluded.min), excluded.min), "
                       "max = MAX(COALESCE(max, excluded.max), excluded.max), sum = sum + excluded.sum, "
                       "low = low + excluded.low WHERE imported = 1"));
    QVariantList minute, readings, min, max, sum, low;
    for (const auto &[key, row] : rows) {
        minute << key;
        readings << row.readings;
        min << row.min;
        max << row.max;
        sum << row.sum;
        low << row.low;
    }
    for (const QVariantList *column : {&minute, &readings, &min, &max, &sum, &low})
        q.addBindValue(*column);
    return q.execBatch() && refreshHours(rows.begin()->first, rows.rbegin()->first + 1);
}

bool RecordStore::refreshHours(qint64 fromMinute, qint64 toMinute)
{
    QSqlQuery q(databaseOf(m_connection));
    q.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO hours SELECT (minute / 60) * 60, SUM(readings), MIN(min), MAX(max), SUM(sum), "
        "SUM(low), SUM(failures), MAX(reason), SUM(" TALVOR_OUTAGE ") FROM minutes "
        "WHERE minute >= ? AND minute < ? GROUP BY minute / 60"));
    q.addBindValue(fromMinute / 60 * 60);
    q.addBindValue((toMinute + 59) / 60 * 60);
    return q.exec();
}

void RecordStore::prune(qint64 minute)
{
    if (!m_open)
        return;
    QSqlQuery q(databaseOf(m_connection));
    for (const QString &table : {QStringLiteral("minutes"), QStringLiteral("hours")}) {
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE minute < ?").arg(table));
        q.addBindValue(minute);
        q.exec();
    }
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
    QSqlQuery q(databaseOf(m_connection));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM minutes WHERE minute >= ? AND minute < ? %2 ORDER BY minute")
                  .arg(columns, condition));
    q.addBindValue(from);
    q.addBindValue(to);
    if (q.exec()) {
        while (q.next())
            rows.append(rowFrom(q));
    }
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
    QSqlQuery q(databaseOf(m_connection));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT ((minute - :from) * :count) / :span, SUM(readings), MIN(min), MAX(max), "
                             "SUM(sum), SUM(low), SUM(failures), MAX(reason), %1 FROM %2 "
                             "WHERE minute >= :from AND minute < :to GROUP BY 1")
                  .arg(hourly ? QStringLiteral("SUM(outage_minutes)") : QStringLiteral("SUM(" TALVOR_OUTAGE ")"),
                       hourly ? QStringLiteral("hours") : QStringLiteral("minutes")));
    q.bindValue(QStringLiteral(":from"), from);
    q.bindValue(QStringLiteral(":count"), count);
    q.bindValue(QStringLiteral(":span"), span);
    q.bindValue(QStringLiteral(":to"), to);
    if (!q.exec())
        return columns;
    while (q.next()) {
        const qint64 index = q.value(0).toLongLong();
        if (index < 0 || index >= count)
            continue;
        TimelineColumn &column = columns[index];
        column.sums = rowFrom(q);
        column.sums.minute = from + index * span / count;
        column.outageMinutes = q.value(8).toInt();
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
    QSqlQuery q(databaseOf(m_connection));
    q.setForwardOnly(true);
    const QString totals = QStringLiteral("SELECT -1, SUM(readings), MIN(min), MAX(max), SUM(sum), SUM(low), 0, NULL "
                                          "FROM %1 WHERE minute >= ? AND minute < ?");
    const auto add = [&](const QString &table, qint64 begin, qint64 end) {
        if (end <= begin)
            return;
        q.prepare(totals.arg(table));
        q.addBindValue(begin);
        q.addBindValue(end);
        if (q.exec() && q.next() && q.value(1).toLongLong() > 0)
            rows.append(rowFrom(q));
    };
    if (firstHour < lastHour) {
        add(QStringLiteral("minutes"), from, firstHour);
        add(QStringLiteral("hours"), firstHour, lastHour);
        add(QStringLiteral("minutes"), lastHour, to);
    } else {
        add(QStringLiteral("minutes"), from, to);
    }
    // The outage minutes alone, their readings counted in the totals already.
    rows += minuteRows(QStringLiteral("minute, 0, NULL, NULL, 0, 0, failures, reason"),
                       QStringLiteral("AND " TALVOR_OUTAGE), from, to);
    return talvor::RangeFigures::of(rows);
}

std::optional<qint64> RecordStore::firstMinute() const
{
    QSqlQuery q(databaseOf(m_connection));
    if (m_open && q.exec(QStringLiteral("SELECT MIN(minute) FROM minutes")) && q.next() && !q.value(0).isNull())
        return q.value(0).toLongLong();
    return std::nullopt;
}

std::optional<RecordStore::LogMark> RecordStore::logMark(const QString &name) const
{
    QSqlQuery q(databaseOf(m_connection));
    q.prepare(QStringLiteral("SELECT size, modified, offset FROM logs WHERE name = ?"));
    q.addBindValue(name);
    if (m_open && q.exec() && q.next())
        return LogMark{q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong()};
    return std::nullopt;
}

bool RecordStore::setLogMark(const QString &name, const LogMark &mark)
{
    QSqlQuery q(databaseOf(m_connection));
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO logs(name, size, modified, offset) VALUES(?, ?, ?, ?)"));
    for (const QVariant &v : {QVariant(name), QVariant(mark.size), QVariant(mark.modified), QVariant(mark.offset)})
        q.addBindValue(v);
    return m_open && q.exec();
}
