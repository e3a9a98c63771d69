#pragma once

#include <QList>
#include <QString>

namespace talvor {

// The readings of this run as they were shown (57, 5.5), oldest first.
class ReadingHistory {
public:
    void append(const QString &reading) { m_items.append(reading); }
    void removeOldest() { m_items.removeFirst(); }
    qsizetype count() const { return m_items.size(); }
    // Past the newest reading there is only an empty text.
    QString at(qsizetype index) const { return index >= 0 && index < m_items.size() ? m_items.at(index) : QString(); }
    // Drops the oldest readings until at most `capacity` remain; the dropped
    // ones are added to the end of `dropped`.
    void keepNewest(qsizetype capacity, QList<QString> *dropped = nullptr)
    {
        if (m_items.size() <= capacity)
            return;
        const qsizetype excess = m_items.size() - capacity;
        if (dropped)
            dropped->append(m_items.first(excess));
        m_items.remove(0, excess);
    }
    // Takes back, from the end of `dropped` (readings older than all held
    // ones, oldest first), as many as fit below `capacity`.
    void restoreOlder(QList<QString> &dropped, qsizetype capacity)
    {
        const qsizetype n = qBound<qsizetype>(0, capacity - m_items.size(), dropped.size());
        m_items = dropped.last(n) + m_items;
        dropped.resize(dropped.size() - n);
    }

private:
    QList<QString> m_items;
};

} // namespace talvor
