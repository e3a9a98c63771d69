#include "DailyLogFile.h"

#include "core/program/ProgramFolder.h"
#include "core/record/LogLine.h"

#include <QFile>

DailyLogFile::DailyLogFile()
    : m_clock([] { return QDateTime::currentDateTime(); })
    , m_files([](const QString &path) { return std::make_unique<QFile>(path); })
{
}

QString DailyLogFile::append(const QString &reading)
{
    const QDateTime now = m_clock();
    const std::unique_ptr<QFile> file = m_files(talvor::programFile(talvor::logFileName(now.date())));
    QByteArray line = talvor::logLine(now, reading);
    QString error;
    // Unbuffered, so a refused write is seen here and never retried on close.
    if (file->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        // A line cut short by a crash must not swallow the next reading.
        const qint64 size = file->size();
        if (size > 0 && file->seek(size - 1) && file->read(1) != "\n")
            line.prepend("\r\n");
        // A disk with room for part of the line takes that part without an
        // error; the write of the rest gives the system's reason.
        qint64 written = file->seek(size) ? 0 : -1;
        for (qint64 part = 0; written >= 0 && written < line.size(); written += part) {
            part = file->write(line.constData() + written, line.size() - written);
            if (part <= 0)
                break;
        }
        if (written != line.size() || !file->flush()) {
            error = file->errorString();
            // A row written in part would stay in the CSV for good: cut it off.
            file->resize(size);
        }
        file->close();
    } else {
        error = file->errorString();
    }
    if (error.isEmpty())
        return error;
    return QStringLiteral("Could not write the log line to %1: %2").arg(file->fileName(), error);
}
