#pragma once

#include <QList>
#include <QString>

// The readings of this run as they were shown (57, 5.5), oldest first.
class ReadingHistory {
public:
    void append(const QString &reading) { m_items.append(reading); }
    void removeOldest() { m_items.removeFirst(); }
    qsizetype count() const { return m_items.size(); }
    // Past the newest reading there is only an empty text.
    QString at(qsizetype index) const { return index >= 0 && index < m_items.size() ? m_items.at(index) : QString(); }
    // Drops the oldest readings until at most `capacity` remain.
    void keepNewest(qsizetype capacity)
    {
        if (m_items.size() > capacity)
            m_items.remove(0, m_items.size() - capacity);
    }

private:
    QList<QString> m_items;
};
