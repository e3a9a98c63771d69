#pragma once

#include "RecordStore.h"
#include "core/record/MinuteRecord.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <deque>
#include <limits>
#include <optional>

// The one writer of the record, on a thread of its own so that nobody on
// the window's thread ever waits for a lock, a full disk or an import.
// Minutes that cannot be written yet (another program holds the record, the
// disk is full, the file is read-only) wait here, a week of them at most,
// and go in once they can. Every call runs on the writer's thread.
class RecordWriter : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 KeptMinutes = 2 * 366 * 24 * 60;
    static constexpr qsizetype MostWaiting = 7 * 24 * 60;
    static constexpr int RetryMs = 2000;

    RecordWriter(const QString &folder, const std::atomic<bool> &stopping);

    void open();
    void write(const talvor::MinuteRow &row, const talvor::ValueMinutes &values = {});
    void writeSettings(const QList<talvor::SettingChange> &changes);
    void importLogs();
    // One last try at what waits; then the thread ends.
    void finish();

signals:
    // The file was (re)opened: whoever reads it opens it again.
    void opened();
    void written();
    // What stands in the way now, in words; empty once it is put right.
    void problemChanged(const QString &text);
    // Something done that the user should know of (a file set aside).
    void notice(const QString &text);

private:
    // Writes what waits and runs a wanted import; false when it must wait.
    bool writeWaiting();
    void writeNowOrLater();
    bool openStore();
    // A write failed: a damaged file is set aside, anything else waits; false
    // when it must wait.
    bool cannotWrite();
    void setProblem(QString &which, const QString &text);

    QString m_folder;
    RecordStore m_store;
    const std::atomic<bool> &m_stopping;
    struct Waiting {
        talvor::MinuteRow row;
        talvor::ValueMinutes values;
    };
    std::deque<Waiting> m_waiting;
    std::deque<talvor::SettingChange> m_settingsWaiting;
    qint64 m_dropped = 0; // minutes let go when more than a week waited
    bool m_importWanted = false;
    qint64 m_prunedAt = std::numeric_limits<qint64>::min() / 2;
    QString m_writeProblem;
    QString m_importProblem;
    QTimer m_retry;
};
