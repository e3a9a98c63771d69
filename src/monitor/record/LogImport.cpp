#include "LogImport.h"

#include "RecordStore.h"
#include "core/record/LogLine.h"
#include "core/record/MinuteRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Read and written a slice at a time: an import stops within one.
constexpr qint64 SliceBytes = 1 << 20;
// A log line is some thirty bytes; anything past this is not one.
constexpr qsizetype LongestLine = 4096;
// How many bytes before the point reached tell that the log is still the
// one read before.
constexpr qint64 TailBytes = 64;

qint64 digest(QByteArrayView bytes)
{
    // FNV-1a: the same on every machine and Qt version, unlike qHash.
    quint64 hash = 14695981039346656037ULL;
    for (const char c : bytes)
        hash = (hash ^ quint8(c)) * 1099511628211ULL;
    return qint64(hash);
}

qint64 tailAt(QFile &file, qint64 offset)
{
    const qint64 from = std::max<qint64>(0, offset - TailBytes);
    return file.seek(from) ? digest(file.read(offset - from)) : 0;
}

// The minutes of the day a log is named after.
std::pair<qint64, qint64> dayOf(const QString &logName)
{
    const QDate day = QDate::fromString(logName.left(10), QStringLiteral("yyyy_MM_dd"));
    return {talvor::epochMinute(day.startOfDay()), talvor::epochMinute(day.addDays(1).startOfDay())};
}

// Writes one slice's minutes and how far the log is read, together.
bool writeSlice(RecordStore &store, const QString &name, const talvor::LogFolder &fold,
                const RecordStore::LogMark &mark)
{
    if (!store.transaction())
        return false;
    if (store.writeImported(fold.minutes()) && store.setLogMark(name, mark) && store.commit())
        return true;
    store.rollback();
    return false;
}

} // namespace

ImportResult importLogs(RecordStore &store, const QString &folder, const std::atomic<bool> *stop)
{
    ImportResult result;
    const auto stopHere = [&result, &store](bool refused) {
        result.stopped = true;
        if (refused)
            result.problem = store.lastError();
        return result;
    };
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &info : files) {
        if (!talvor::isLogFileName(info.fileName()))
            continue;
        const QString name = info.fileName();
        const RecordStore::LogMark now{info.size(), info.lastModified().toSecsSinceEpoch(), 0, 0};
        const auto mark = store.logMark(name);
        if (mark && mark->size == now.size && mark->modified == now.modified)
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        qint64 offset = mark ? mark->offset : 0;
        // Not the file read before: what it gave goes, and it is read anew.
        if (offset > 0 && (offset > now.size || tailAt(file, offset) != mark->tail)) {
            const auto [from, to] = dayOf(name);
            if (!store.transaction())
                return stopHere(true);
            if (!store.forgetImported(from, to) || !store.setLogMark(name, {-1, 0, 0, 0}) || !store.commit()) {
                store.rollback();
                return stopHere(true);
            }
            offset = 0;
        }
        if (!file.seek(offset))
            continue;
        ++result.files;
        QByteArray carried;    // a line not ended yet
        bool skipping = false; // inside a line too long to be one
        qint64 tail = mark && offset == mark->offset ? mark->tail : 0;
        for (;;) {
            if (stop && *stop)
                return stopHere(false);
            const QByteArray slice = file.read(SliceBytes);
            const bool atEnd = slice.size() < SliceBytes;
            QByteArray content = carried + slice;
            carried.clear();
            qsizetype from = 0;
            if (skipping) {
                const qsizetype newline = content.indexOf('\n');
                skipping = newline < 0;
                from = skipping ? content.size() : newline + 1;
            }
            talvor::LogFolder fold;
            const qsizetype used = from + fold.addLines(QByteArrayView(content).sliced(from));
            qsizetype reached = used;
            if (content.size() - used > LongestLine) {
                // Far too long for a line: passed over up to its end.
                ++result.skipped;
                skipping = true;
                reached = content.size();
            } else {
                carried = content.sliced(used);
            }
            offset += reached;
            if (reached >= TailBytes) {
                tail = digest(QByteArrayView(content).first(reached).last(TailBytes));
            } else if (reached > 0) {
                const qint64 position = file.pos();
                tail = tailAt(file, offset);
                file.seek(position);
            }
            result.lines += fold.lines();
            result.skipped += fold.skipped();
            // Until the last slice the file is marked unfinished (size -1),
            // so an import stopped here goes on from the offset.
            const RecordStore::LogMark reachedMark{atEnd ? now.size : -1, now.modified, offset, tail};
            if (!writeSlice(store, name, fold, reachedMark))
                return stopHere(true);
            if (atEnd)
                break;
        }
    }
    return result;
}
