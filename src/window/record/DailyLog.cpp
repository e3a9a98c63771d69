#include "DailyLog.h"

#include "core/settings/ChangeCodes.h"
#include "monitor/record/DailyLogFile.h"
#include "window/form/CrlfTextView.h"

#include <QCheckBox>
#include <QLabel>

DailyLog::DailyLog(const LogControls &controls, DailyLogFile &file, QObject *parent)
    : FormPart(parent)
    , m_c(controls)
    , m_file(file)
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
    // The reading has gone through everything else already; only say so.
    if (const QString error = m_file.append(m_c.Talvor->text()); !error.isEmpty())
        m_c.Info_HTML->appendLine(error);
}
