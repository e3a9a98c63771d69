#include "SignalRecord.h"

#include "RecordWriter.h"

#include <QDir>

SignalRecord::SignalRecord(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
    // The timeline reads between the writer's writes: it waits on nobody.
    , m_reader(QDir(folder).filePath(RecordStore::FileName), 0)
    , m_writer(std::make_unique<RecordWriter>(folder, m_stopping))
{
    m_minuteEnd.setSingleShot(true);
    connect(&m_minuteEnd, &QTimer::timeout, this, &SignalRecord::writeFinishedMinute);
    // Logs copied into the folder while Talvor runs are folded in within a
    // minute; a log already read costs a look at its size.
    m_logLook.setInterval(60'000);
    connect(&m_logLook, &QTimer::timeout, this, &SignalRecord::importLogsLater);
    m_writer->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("record writer"));
    connect(m_writer.get(), &RecordWriter::opened, this, [this] {
        m_reader.openToRead();
        // A connection opened again has forgotten what it showed.
        if (!m_shown.isEmpty() && !m_reader.showValue(m_shown))
            m_shown.clear();
        emit changed();
    });
    connect(m_writer.get(), &RecordWriter::written, this, &SignalRecord::changed);
    connect(m_writer.get(), &RecordWriter::problemChanged, this, &SignalRecord::problemChanged);
    connect(m_writer.get(), &RecordWriter::notice, this, &SignalRecord::notice);
    m_thread.start();
}

SignalRecord::~SignalRecord()
{
    // The last minute is kept; nobody is left to show it.
    blockSignals(true);
    flush();
    m_stopping = true;
    QMetaObject::invokeMethod(m_writer.get(), &RecordWriter::finish);
    m_thread.wait();
}

void SignalRecord::open()
{
    QMetaObject::invokeMethod(m_writer.get(), &RecordWriter::open);
}

void SignalRecord::importLogsLater()
{
    m_logLook.start();
    QMetaObject::invokeMethod(m_writer.get(), &RecordWriter::importLogs);
}

talvor::MinuteRow &SignalRecord::minuteOf(const QDateTime &at)
{
    const qint64 minute = talvor::epochMinute(at);
    if (m_pending && m_pending->minute != minute)
        flush();
    if (!m_pending) {
        m_pending = talvor::MinuteRow{};
        m_pending->minute = minute;
        // Written a little after the minute ends, whether or not a poll comes.
        const qint64 due = (minute + 1) * 60 * 1000 - m_clock().toMSecsSinceEpoch();
        m_minuteEnd.start(int(std::clamp<qint64>(due + 500, 0, 61'000)));
    }
    return *m_pending;
}

std::optional<talvor::MinuteRow> SignalRecord::pending() const
{
    if (m_shown.isEmpty() || !m_pending)
        return m_pending;
    const auto value = m_pendingValues.find(m_shown);
    talvor::MinuteRow row = value == m_pendingValues.end() ? talvor::MinuteRow{} : value->second;
    row.minute = m_pending->minute;
    // The modem's failures of the minute stand with the value, as in the record.
    row.failures = m_pending->failures;
    row.reason = m_pending->reason;
    return row;
}

bool SignalRecord::showValue(const QString &name)
{
    if (!m_reader.showValue(name))
        return false;
    m_shown = name;
    emit changed();
    return true;
}

void SignalRecord::setSetting(const QString &name, const QString &value)
{
    m_settings[name] = value;
}

void SignalRecord::keepSettings(const QDateTime &at)
{
    QList<talvor::SettingChange> changes;
    for (const auto &[name, value] : m_settings) {
        QString &kept = m_settingsKept[name];
        if (kept != value) {
            kept = value;
            changes << talvor::SettingChange{at.toMSecsSinceEpoch(), name, value};
        }
    }
    if (!changes.isEmpty())
        QMetaObject::invokeMethod(m_writer.get(),
                                  [writer = m_writer.get(), changes] { writer->writeSettings(changes); });
}

void SignalRecord::reading(double value, const QDateTime &at)
{
    keepSettings(at);
    minuteOf(at).addReading(value);
}

void SignalRecord::noReading(const QString &reason, const QDateTime &at)
{
    keepSettings(at);
    minuteOf(at).addFailure(reason);
}

void SignalRecord::values(const QList<talvor::NamedValue> &values, const QDateTime &at)
{
    const qint64 minute = minuteOf(at).minute;
    for (const talvor::NamedValue &v : values) {
        if (!v.value)
            continue;
        talvor::MinuteRow &row = m_pendingValues[v.name];
        row.minute = minute;
        row.addReading(*v.value);
    }
}

void SignalRecord::writeFinishedMinute()
{
    if (m_pending && talvor::epochMinute(m_clock()) > m_pending->minute)
        flush();
    else if (m_pending)
        m_minuteEnd.start(1000);
}

void SignalRecord::flush()
{
    if (!m_pending)
        return;
    const talvor::MinuteRow row = *m_pending;
    const talvor::ValueMinutes values = std::exchange(m_pendingValues, {});
    m_pending.reset();
    m_minuteEnd.stop();
    QMetaObject::invokeMethod(m_writer.get(), [writer = m_writer.get(), row, values] { writer->write(row, values); });
}
