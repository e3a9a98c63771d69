#pragma once

#include "core/record/MinuteRecord.h"
#include "core/record/SettingsHistory.h"

#include <QList>
#include <QString>

#include <map>
#include <optional>

struct sqlite3;

// A span of the timeline: the rows of its minutes added up.
struct TimelineColumn {
    talvor::MinuteRow sums;
    int outageMinutes = 0;
    QString outageReason;
};

// The minute record in one SQLite file: a row a minute, and the same added
// up by the hour for long ranges. Each thread opens its own store on the file.
class RecordStore {
public:
    static const QString FileName;

    // How long a statement waits for another process's lock before it
    // gives up (the caller tries again later).
    explicit RecordStore(QString path, int busyMs = 5000);
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // Opens the file, or starts one, and checks it. Only a file SQLite calls
    // damaged or not a database is set aside (numbered, never over an
    // earlier one) and a new one started; one that is busy, locked,
    // read-only or on a full disk is left as it is and stays closed. Returns
    // what happened in words when it was not plain sailing.
    QString open();
    // Before open(): the whole file is not read through first. For a report,
    // which folds logs in but leaves checking to the writer: a damaged page
    // it meets is a read error (see readError()).
    void skipWholeFileCheck() { m_checked = true; }
    // Opens an existing record to read it only, waiting on nobody.
    QString openToRead();
    void close();
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    // What the last failed statement said, and whether it says the file is
    // damaged (so that it is to be set aside, not tried again).
    QString lastError() const { return m_error; }
    bool lastErrorIsDamage() const;
    // Moves the file (and its write-ahead log) to the first free
    // Talvor.record.bad, .bad.2, …; the path it went to, empty on failure.
    QString setAside();

    // Minutes the program saw itself: they replace minutes folded in from
    // logs, and add to minutes written earlier (a restart within a minute).
    // The named values of the same minute go in with it.
    bool writeLive(const talvor::MinuteRow &row, const talvor::ValueMinutes &values = {});
    // Minutes from daily logs: only where the program saw nothing itself.
    bool writeImported(const std::map<qint64, talvor::MinuteRow> &rows);
    // Removes minutes before `minute`.
    bool prune(qint64 minute);
    // Removes the minutes folded in from logs between `from` and `to`: a log
    // that was replaced is read again from its start.
    bool forgetImported(qint64 from, qint64 to);

    // The minutes from `from` to before `to`, in order, their `low` counted
    // for `threshold` (as in every query here: the threshold in force now
    // holds for the whole record).
    QList<talvor::MinuteRow> rows(qint64 from, qint64 to, double threshold) const;
    // The same range cut into `count` equal columns; a column without a row
    // stays empty (the program was not running).
    QList<TimelineColumn> columns(qint64 from, qint64 to, int count, double threshold) const;
    // From here on every query reads the named value's minutes in place of
    // the reading's (failures and outages stay the modem's), or the
    // reading's again for ""; false when the record holds no such value.
    bool showValue(const QString &name);
    // The names of the values kept.
    QStringList valueNames() const;
    std::optional<qint64> firstMinute() const;
    std::optional<qint64> lastMinute() const;
    // What the first read that ended in an error said (the rows read until
    // then are all a query gave); empty while every read ran to its end.
    QString readError() const { return m_readError; }
    // How many minutes from `from` to before `to` have a row.
    qint64 minutesKept(qint64 from, qint64 to) const;
    // The figures of a range: totals from the hourly sums where whole hours
    // allow, outages from the minutes that had them.
    // With `pending`, the minute being filled counts too.
    talvor::RangeFigures figures(qint64 from, qint64 to, double threshold,
                                 const std::optional<talvor::MinuteRow> &pending = std::nullopt) const;
    // The minute after the last one kept before readings were counted by
    // value, whose counts at or below a threshold are approximate.
    std::optional<qint64> approximateUntil() const;

    // A setting the polls are made with from then on; nothing is added when
    // the last one kept of that name says the same.
    bool writeSetting(const talvor::SettingChange &change);
    // The changes kept of one setting, oldest first.
    QList<talvor::SettingChange> settingChanges(const QString &name) const;
    // How many polls each minute from `from` to before `to` kept has.
    QList<int> pollsPerMinute(qint64 from, qint64 to) const;

    // What of a daily log has been folded in already.
    struct LogMark {
        qint64 size = 0;
        qint64 modified = 0;
        qint64 offset = 0;
        qint64 tail = 0; // a digest of the bytes just before offset
    };
    std::optional<LogMark> logMark(const QString &name) const;
    bool setLogMark(const QString &name, const LogMark &mark);

    bool transaction();
    bool commit();
    void rollback();

private:
    // The minutes of a range with these columns (in rowFrom's order) that
    // meet the condition ("AND …", or empty), in order.
    // ?3 in `columns` is the threshold, where one is given.
    QList<talvor::MinuteRow> minuteRows(const QString &columns, const QString &condition, qint64 from, qint64 to,
                                        std::optional<double> threshold) const;
    // The one number a query gives; none for NULL, no row or a closed record.
    std::optional<qint64> oneNumber(const QString &sql) const;
    // An error text, empty when the tables are there.
    QString createTables();
    bool refreshHours(qint64 fromMinute, qint64 toMinute);
    bool writeValues(const talvor::ValueMinutes &values);
    bool exec(const char *sql);
    // Keeps what the connection said about its last failure; always false.
    bool failed() const;
    // A read that stopped before its end, kept as the record's read error
    // too; always false.
    bool readFailed() const;
    QString attemptOpen(int flags);

    QString m_path;
    int m_busyMs;
    sqlite3 *m_db = nullptr;
    bool m_open = false;
    bool m_checked = false; // the whole file was read and found sound
    mutable QString m_error;
    mutable QString m_readError;
    mutable int m_code = 0;
};
