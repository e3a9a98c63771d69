#include "LogImport.h"

#include "RecordStore.h"
#include "core/LogLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

ImportResult importLogs(RecordStore &store, const QString &folder, double threshold)
{
    ImportResult result;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &info : files) {
        if (!talvor::isLogFileName(info.fileName()))
            continue;
        const RecordStore::LogMark now{info.size(), info.lastModified().toSecsSinceEpoch(), 0};
        const auto mark = store.logMark(info.fileName());
        if (mark && mark->size == now.size && mark->modified == now.modified)
            continue;
        // A file that shrank is not the one read before; its minutes are in already.
        qint64 offset = mark ? mark->offset : 0;
        if (offset > now.size)
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
            continue;
        const QByteArray content = file.readAll();
        talvor::LogFolder fold(threshold);
        offset += fold.addLines(content);
        store.transaction();
        const bool written =
            store.writeImported(fold.minutes()) && store.setLogMark(info.fileName(), {now.size, now.modified, offset});
        if (!written || !store.commit())
            return result;
        ++result.files;
        result.lines += fold.lines();
        result.skipped += fold.skipped();
    }
    return result;
}
