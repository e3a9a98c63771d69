#pragma once

#include "window/form/FormPart.h"

class DailyLogFile;
class CrlfTextView;
class QCheckBox;
class QLabel;

// The controls the log reads and writes to.
struct LogControls {
    QCheckBox *DoLogFile;
    QLabel *Talvor;
    CrlfTextView *Info_HTML;
};

// Appends every reading to the day's CSV file while logging is ticked.
class DailyLog : public FormPart {
    Q_OBJECT
public:
    DailyLog(const LogControls &controls, DailyLogFile &file, QObject *parent = nullptr);

    void WriteLogLine();
    void DoLogFile_Click();

private:
    LogControls m_c;
    DailyLogFile &m_file;
};
