#include "SignalRecord.h"

#include "LogImport.h"

#include <QDir>
#include <QtConcurrent/QtConcurrentRun>

SignalRecord::SignalRecord(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_store(QDir(folder).filePath(RecordStore::FileName))
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    m_minuteEnd.setSingleShot(true);
    connect(&m_minuteEnd, &QTimer::timeout, this, &SignalRecord::writeFinishedMinute);
    connect(&m_import, &QFutureWatcher<ImportResult>::finished, this, [this] {
        if (m_import.result().files > 0)
            emit changed();
    });
}

SignalRecord::~SignalRecord()
{
    // The last minute is kept; nobody is left to show it.
    blockSignals(true);
    flush();
    m_import.waitForFinished();
}

void SignalRecord::open()
{
    if (m_store.isOpen())
        return;
    if (const QString problem = m_store.open(); !problem.isEmpty())
        emit this->problem(problem);
    m_store.prune(talvor::epochMinute(m_clock()) - KeptMinutes);
}

void SignalRecord::importLogsLater(double threshold)
{
    if (!m_store.isOpen() || m_import.isRunning())
        return;
    const QString path = m_store.path();
    const QString folder = m_folder;
    m_import.setFuture(QtConcurrent::run([path, folder, threshold] {
        // A connection belongs to the thread that opened it.
        RecordStore store(path);
        store.open();
        return importLogs(store, folder, threshold);
    }));
}

talvor::MinuteRow &SignalRecord::minuteOf(const QDateTime &at)
{
    const qint64 minute = talvor::epochMinute(at);
    if (m_pending && m_pending->minute != minute)
        flush();
    if (!m_pending) {
        m_pending = talvor::MinuteRow{};
        m_pending->minute = minute;
        // Written a little after the minute ends, whether or not a poll comes.
        const qint64 due = (minute + 1) * 60 * 1000 - m_clock().toMSecsSinceEpoch();
        m_minuteEnd.start(int(std::clamp<qint64>(due + 500, 0, 61'000)));
    }
    return *m_pending;
}

void SignalRecord::reading(double value, double threshold, const QDateTime &at)
{
    minuteOf(at).addReading(value, threshold);
}

void SignalRecord::noReading(const QString &reason, const QDateTime &at)
{
    minuteOf(at).addFailure(reason);
}

void SignalRecord::writeFinishedMinute()
{
    if (m_pending && talvor::epochMinute(m_clock()) > m_pending->minute)
        flush();
    else if (m_pending)
        m_minuteEnd.start(1000);
}

void SignalRecord::flush()
{
    if (!m_pending)
        return;
    const talvor::MinuteRow row = *m_pending;
    m_pending.reset();
    m_minuteEnd.stop();
    if (m_store.writeLive(row))
        emit changed();
}
