#include "DailyLog.h"

#include "core/ChangeCodes.h"
#include "core/LogLine.h"
#include "core/Numbers.h"
#include "core/ProgramFolder.h"
#include "form/CrlfTextView.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>



DailyLog::DailyLog(const LogControls &controls, std::function<void(qint16)> markChanged, QObject *parent)
    : QObject(parent)
    , m_c(controls)
    , m_markChanged(std::move(markChanged))
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    connect(m_c.DoLogFile, &QCheckBox::toggled, this, &DailyLog::DoLogFile_Click);
}

void DailyLog::DoLogFile_Click()
{
    m_markChanged(talvor::LoggingSwitched);
}

void DailyLog::WriteLogLine()
{
    if (!m_c.DoLogFile->isChecked())
        return;
    const QDateTime now = m_clock();
    QFile file(talvor::programFile(talvor::logFileName(now.date())));
    QByteArray line = talvor::logLine(now, m_c.Talvor->text());
    bool written = false;
    if (file.open(QIODevice::ReadWrite)) {
        // A line cut short by a crash must not swallow the next reading.
        const qint64 size = file.size();
        if (size > 0 && file.seek(size - 1) && file.read(1) != "\n")
            line.prepend("\r\n");
        written = file.seek(size) && file.write(line) == line.size() && file.flush();
        file.close();
        written = written && file.error() == QFileDevice::NoError;
    }
    // The reading has gone through everything else already; only say so.
    if (!written)
        m_c.Info_HTML->appendLine(QStringLiteral("Could not write the log line to %1: %2").arg(file.fileName(), file.errorString()));
}
