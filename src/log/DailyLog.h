#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <functional>

struct FormControls;

namespace talvor {
// "2004_03_15_talvor_log.csv" for a reading taken on 15 March 2004.
QString logFileName(const QDate &date);
// "2004/03/15","09:05:07 pm",57 and CR LF.
QByteArray logLine(const QDateTime &when, const QString &readingText);
} // namespace talvor

// Appends every reading to the day's CSV file while logging is ticked.
class DailyLog : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    DailyLog(const FormControls &controls, std::function<void(qint16)> markChanged, QObject *parent = nullptr);

    void WriteLogLine();
    void DoLogFile_Click();
    // Tests step the clock across midnight.
    void setClock(Clock clock) { m_clock = std::move(clock); }

private:
    const FormControls &m_c;
    std::function<void(qint16)> m_markChanged;
    Clock m_clock;
};
