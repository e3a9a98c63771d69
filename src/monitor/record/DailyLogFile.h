#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class QFile;

// The day's CSV file in the program's folder: one line per reading, added
// and closed at once, so that nothing half-written stays behind.
class DailyLogFile {
public:
    using Clock = std::function<QDateTime()>;
    // Makes, without opening it, the file of a path; tests hand in files
    // that refuse writes as a full disk does.
    using FileFactory = std::function<std::unique_ptr<QFile>(const QString &path)>;

    DailyLogFile();

    // Adds the reading, as read, with the time now; an error text naming
    // the file, or empty.
    QString append(const QString &reading);
    // Tests step the clock across midnight.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setFileFactory(FileFactory factory) { m_files = std::move(factory); }

private:
    Clock m_clock;
    FileFactory m_files;
};
