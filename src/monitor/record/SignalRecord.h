#pragma once

#include "RecordStore.h"
#include "core/reading/NamedValues.h"
#include "core/record/MinuteRecord.h"

#include <QDateTime>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <map>
#include <memory>

class RecordWriter;

// The record Talvor keeps of every poll, whether or not the CSV log is on:
// each reading and each poll without one is folded into the minute being
// filled, kept in memory and handed to the record's writer once the minute
// is over (and when the program ends). The writer works on a thread of its
// own; this side only reads, and never waits on a lock. Daily logs in the
// folder are folded in by the writer, once each.
class SignalRecord : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    explicit SignalRecord(const QString &folder, QObject *parent = nullptr);
    // Hands over the minute being filled, stops an import within a slice and
    // gives the writer one last try at what waits.
    ~SignalRecord() override;

    // Opens the file (or starts one); the store can be read once changed() says so.
    void open();
    // Folds in the logs of the folder, behind the minutes, and again each
    // minute from then on.
    void importLogsLater();

    // What the polls are made with now (see talvor::SettingChange). The
    // record keeps it, dated, with the next poll: a setting nobody polled
    // with, such as an address half typed, is not kept.
    void setSetting(const QString &name, const QString &value);

    void reading(double value, const QDateTime &at);
    void noReading(const QString &reason, const QDateTime &at);
    // The named values of a poll: each found one is kept by the minute.
    void values(const QList<talvor::NamedValue> &values, const QDateTime &at);
    // Hands over the minute being filled, finished or not.
    void flush();

    // The minute being filled, not yet in the record.
    // While a named value is shown, its minute.
    std::optional<talvor::MinuteRow> pending() const;
    // What store() and pending() give: the reading (""), or a named value's
    // minutes with the modem's outages; false when the record holds none.
    bool showValue(const QString &name);
    const QString &shownValue() const { return m_shown; }
    // The record as written so far, for reading.
    const RecordStore &store() const { return m_reader; }
    // Tests step the clock across minutes and days.
    void setClock(Clock clock) { m_clock = std::move(clock); }

signals:
    // Minutes were written: the timeline shows them.
    void changed();
    // What keeps minutes or logs out of the record now; empty once put right.
    void problemChanged(const QString &text);
    // Something the user should hear of once, such as a file set aside.
    void notice(const QString &text);

private:
    talvor::MinuteRow &minuteOf(const QDateTime &at);
    void keepSettings(const QDateTime &at);
    void writeFinishedMinute();

    Clock m_clock;
    std::optional<talvor::MinuteRow> m_pending;
    talvor::ValueMinutes m_pendingValues;
    QString m_shown;
    std::map<QString, QString> m_settings;
    std::map<QString, QString> m_settingsKept;
    QTimer m_minuteEnd;
    QTimer m_logLook;
    std::atomic<bool> m_stopping = false;
    RecordStore m_reader;
    QThread m_thread;
    std::unique_ptr<RecordWriter> m_writer;
};
