#pragma once

#include "LogImport.h"
#include "RecordStore.h"
#include "core/MinuteRecord.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

// The record Talvor keeps of every poll, whether or not the CSV log is on:
// each reading and each poll without one is folded into the minute being
// filled, kept in memory and written once the minute is over (and when the
// program ends). Two years are kept. Daily logs in the folder are folded in
// the background, once each.
class SignalRecord : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 KeptMinutes = 2 * 366 * 24 * 60;
    using Clock = std::function<QDateTime()>;

    explicit SignalRecord(const QString &folder, QObject *parent = nullptr);
    ~SignalRecord() override;

    // Opens the file and prunes it, once; says so through problem() when the
    // file had to be set aside.
    void open();
    // Folds in the logs of the folder on another thread.
    void importLogsLater(double threshold);

    void reading(double value, double threshold, const QDateTime &at);
    void noReading(const QString &reason, const QDateTime &at);
    // Writes the minute being filled, finished or not.
    void flush();

    const RecordStore &store() const { return m_store; }
    // Tests step the clock across minutes and days.
    void setClock(Clock clock) { m_clock = std::move(clock); }

signals:
    // Minutes were written: the timeline shows them.
    void changed();
    void problem(const QString &text);

private:
    talvor::MinuteRow &minuteOf(const QDateTime &at);
    void writeFinishedMinute();

    QString m_folder;
    RecordStore m_store;
    Clock m_clock;
    std::optional<talvor::MinuteRow> m_pending;
    QTimer m_minuteEnd;
    QFutureWatcher<ImportResult> m_import;
};
