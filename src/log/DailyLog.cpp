#include "DailyLog.h"

#include "core/ChangeCodes.h"
#include "core/LogLine.h"
#include "core/Numbers.h"
#include "core/ProgramFolder.h"
#include "form/CrlfTextView.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>

DailyLog::DailyLog(const LogControls &controls, QObject *parent)
    : FormPart(parent)
    , m_c(controls)
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_files([](const QString &path) { return std::make_unique<QFile>(path); })
{
    connect(m_c.DoLogFile, &QCheckBox::toggled, this, &DailyLog::DoLogFile_Click);
}

void DailyLog::DoLogFile_Click()
{
    emit settingsChanged(talvor::LoggingSwitched);
}

void DailyLog::WriteLogLine()
{
    if (!m_c.DoLogFile->isChecked())
        return;
    const QDateTime now = m_clock();
    const std::unique_ptr<QFile> file = m_files(talvor::programFile(talvor::logFileName(now.date())));
    QByteArray line = talvor::logLine(now, m_c.Talvor->text());
    QString error;
    // Unbuffered, so a refused write is seen here and never retried on close.
    if (file->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        // A line cut short by a crash must not swallow the next reading.
        const qint64 size = file->size();
        if (size > 0 && file->seek(size - 1) && file->read(1) != "\n")
            line.prepend("\r\n");
        if (!file->seek(size) || file->write(line) != line.size() || !file->flush()) {
            error = file->errorString();
            // A row written in part would stay in the CSV for good: cut it off.
            file->resize(size);
        }
        file->close();
    } else {
        error = file->errorString();
    }
    // The reading has gone through everything else already; only say so.
    if (!error.isEmpty())
        m_c.Info_HTML->appendLine(
            QStringLiteral("Could not write the log line to %1: %2").arg(file->fileName(), error));
}
