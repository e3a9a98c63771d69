#pragma once

#include "form/FormPart.h"

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <memory>

class CrlfTextView;
class QFile;
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
    using Clock = std::function<QDateTime()>;
    // Makes, without opening it, the file of a path; tests hand in files
    // that refuse writes as a full disk does.
    using FileFactory = std::function<std::unique_ptr<QFile>(const QString &path)>;

    DailyLog(const LogControls &controls, QObject *parent = nullptr);

    void WriteLogLine();
    void DoLogFile_Click();
    // Tests step the clock across midnight.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setFileFactory(FileFactory factory) { m_files = std::move(factory); }

private:
    LogControls m_c;
    Clock m_clock;
    FileFactory m_files;
};
