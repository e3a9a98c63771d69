#include "SignalEvents.h"

#include "Numbers.h"

namespace talvor {

void SignalEvents::reading(const QString &text, double threshold, const QDateTime &at)
{
    const SignalWatch::Change change = m_watch.reading(text, threshold, at.time());
    emit readingTaken(leadingNumber(text), threshold, at);
    tell(change);
}

void SignalEvents::noReading(const QString &reason, SignalWatch::Failure failure, const QDateTime &at)
{
    const SignalWatch::Change change = m_watch.noReading(reason, at.time(), failure);
    emit pollFailed(reason, at);
    tell(change);
}

void SignalEvents::values(const QList<NamedValue> &values, const QDateTime &at)
{
    m_values = values;
    emit valuesTaken(values, at);
    // A missing value says nothing about its level: the last word stands.
    for (const NamedValue &v : values) {
        if (!v.value || !v.threshold)
            continue;
        bool &low = m_valueLow[v.name];
        if (low != v.low()) {
            low = v.low();
            emit valueAlert(v.alertText());
        }
    }
}

void SignalEvents::tell(const SignalWatch::Change &change)
{
    if (change.staleChanged)
        emit staleChanged(m_watch.stale());
    emit statusLineChanged(statusLine());
    if (change.alert != SignalWatch::Alert::None)
        emit alertRaised(change.alert, change.text);
}

void SignalEvents::setPaused(std::optional<QDateTime> until)
{
    m_paused = std::move(until);
    emit statusLineChanged(statusLine());
}

QString SignalEvents::statusLine() const
{
    QStringList lines;
    if (m_paused)
        lines
            << (m_paused->isValid()
                    ? QStringLiteral("Polling paused until %1").arg(m_paused->time().toString(QStringLiteral("HH:mm")))
                    : QStringLiteral("Polling paused until resumed"));
    lines << m_watch.statusLine();
    // Paused, no try is due: the next one comes when polling resumes.
    if (m_nextTry > 0 && !m_paused && !lines.last().isEmpty())
        lines.last() += QStringLiteral("; next try in %1 s").arg(m_nextTry);
    lines += m_problems.values();
    lines.removeAll(QString());
    return lines.join(u'\n');
}

void SignalEvents::setProblem(const QString &part, const QString &text)
{
    if (m_problems.value(part) == text)
        return;
    const bool raised = !text.isEmpty() && !m_problems.contains(part);
    if (text.isEmpty())
        m_problems.remove(part);
    else
        m_problems.insert(part, text);
    emit problemsChanged(problems());
    emit statusLineChanged(statusLine());
    if (raised)
        emit problemRaised(text);
}

} // namespace talvor
