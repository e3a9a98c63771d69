#include "RecordWriter.h"

#include "LogImport.h"

#include <QDir>
#include <QThread>

#include <utility>

namespace {
// A lock held by another program is waited on this long at a time; the
// minutes wait meanwhile, and the thread stays free to end.
constexpr int BusyMs = 250;
} // namespace

RecordWriter::RecordWriter(const QString &folder, const std::atomic<bool> &stopping)
    : m_folder(folder)
    , m_store(QDir(folder).filePath(RecordStore::FileName), BusyMs)
    , m_stopping(stopping)
    , m_retry(this)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &RecordWriter::writeNowOrLater);
}

bool RecordWriter::openStore()
{
    if (m_store.isOpen())
        return true;
    const QString problem = m_store.open();
    if (!m_store.isOpen()) {
        setProblem(m_writeProblem, problem);
        return false;
    }
    if (!problem.isEmpty())
        emit notice(problem);
    emit opened();
    return true;
}

void RecordWriter::open()
{
    writeNowOrLater();
}

void RecordWriter::writeNowOrLater()
{
    // While a retry is due, new work waits for it.
    if (!m_retry.isActive() && !writeWaiting())
        m_retry.start();
}

void RecordWriter::write(const talvor::MinuteRow &row, const talvor::ValueMinutes &values)
{
    m_waiting.push_back({row, values});
    if (qsizetype(m_waiting.size()) > MostWaiting) {
        m_waiting.pop_front();
        ++m_dropped;
    }
    writeNowOrLater();
}

void RecordWriter::writeSettings(const QList<talvor::SettingChange> &changes)
{
    m_settingsWaiting.insert(m_settingsWaiting.end(), changes.begin(), changes.end());
    writeNowOrLater();
}

void RecordWriter::importLogs()
{
    m_importWanted = true;
    writeNowOrLater();
}

void RecordWriter::finish()
{
    m_retry.stop();
    writeWaiting();
    QThread::currentThread()->quit();
}

bool RecordWriter::writeWaiting()
{
    if (!openStore())
        return false;
    // Settings first: a minute is never kept without what it was polled with.
    while (!m_settingsWaiting.empty()) {
        if (!m_store.writeSetting(m_settingsWaiting.front()))
            return cannotWrite();
        m_settingsWaiting.pop_front();
    }
    bool wrote = false;
    while (!m_waiting.empty()) {
        if (!m_store.writeLive(m_waiting.front().row, m_waiting.front().values))
            return cannotWrite();
        const qint64 minute = m_waiting.front().row.minute;
        m_waiting.pop_front();
        wrote = true;
        // Two years are kept; what is older goes once a day.
        if (minute - m_prunedAt >= 24 * 60 && m_store.prune(minute - KeptMinutes))
            m_prunedAt = minute;
    }
    if (wrote) {
        setProblem(m_writeProblem, {});
        if (m_dropped > 0)
            emit notice(QStringLiteral("%1 minutes waited more than a week to be written and are not in the record.")
                            .arg(std::exchange(m_dropped, 0)));
        emit written();
    }
    if (m_importWanted && !m_stopping) {
        const ImportResult result = ::importLogs(m_store, m_folder, &m_stopping);
        if (result.files > 0)
            emit written();
        if (result.stopped && !m_stopping) {
            setProblem(m_importProblem,
                       QStringLiteral("Daily logs cannot be folded into the record now (%1); Talvor tries again.")
                           .arg(result.problem));
            m_store.close();
            return false;
        }
        setProblem(m_importProblem, {});
        if (!result.stopped)
            m_importWanted = false;
    }
    return true;
}

bool RecordWriter::cannotWrite()
{
    const QString error = m_store.lastError();
    if (m_store.lastErrorIsDamage()) {
        const QString aside = m_store.setAside();
        emit notice(QStringLiteral("The record of readings %1 was found damaged (%2); it is kept as %3 and a "
                                   "new one is started.")
                        .arg(m_store.path(), error, aside));
        if (!aside.isEmpty())
            return writeWaiting();
    }
    // Opened again next time: a file made writable again is then
    // written, not refused by a connection that still reads only.
    m_store.close();
    setProblem(m_writeProblem,
               QStringLiteral("The record of readings cannot be written (%1); its minutes wait and go "
                              "in once it can.")
                   .arg(error));
    return false;
}

void RecordWriter::setProblem(QString &which, const QString &text)
{
    if (which == text)
        return;
    which = text;
    QStringList problems;
    for (const QString *p : {&m_writeProblem, &m_importProblem})
        if (!p->isEmpty())
            problems << *p;
    emit problemChanged(problems.join(u' '));
}
