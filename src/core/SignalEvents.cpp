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

void SignalEvents::tell(const SignalWatch::Change &change)
{
    if (change.staleChanged)
        emit staleChanged(m_watch.stale());
    emit statusLineChanged(m_watch.statusLine());
    if (change.alert != SignalWatch::Alert::None)
        emit alertRaised(change.alert, change.text);
}

} // namespace talvor
