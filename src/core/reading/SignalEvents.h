#pragma once

#include "NamedValues.h"
#include "SignalWatch.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace talvor {

// The news of every poll, for whoever listens: the tray's tip and grey icon,
// the alerts, and anything later that keeps or shares readings. Adding a
// listener is one connect where the window is wired; the ordered reading
// pipeline (title, history and tray, chart, log) does not run through here.
class SignalEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A poll gave a reading (its text as shown, 57 or 5.5) with this threshold in force.
    void reading(const QString &text, double threshold, const QDateTime &at);
    // A poll gave none, for the reason the page view gives.
    void noReading(const QString &reason, SignalWatch::Failure failure, const QDateTime &at);

    // The named values a poll gave, found or missing; told before the
    // poll's reading or failure.
    void values(const QList<NamedValue> &values, const QDateTime &at);
    const QList<NamedValue> &lastValues() const { return m_values; }
    // Why the last poll gave no reading; empty when it gave one.
    QString lastFailure() const { return m_watch.lastFailure(); }
    // Polls in a row have given no reading: the last one is stale.
    bool stale() const { return m_watch.stale(); }
    // The next poll comes later than set ("next try in 40 s"); 0 when not.
    void setNextTry(int seconds) { m_nextTry = seconds; }
    // Polling paused until then (an invalid time: until resumed), or not paused.
    void setPaused(std::optional<QDateTime> until);
    const std::optional<QDateTime> &paused() const { return m_paused; }

    // A trouble of Talvor's own (the record, an import, sharing), named by
    // the part it comes from; an empty text says it is put right. Until
    // then it stays in the status line and in problems().
    void setProblem(const QString &part, const QString &text);
    QStringList problems() const { return m_problems.values(); }

signals:
    void readingTaken(double value, double threshold, const QDateTime &at);
    void pollFailed(const QString &reason, const QDateTime &at);
    void valuesTaken(const QList<talvor::NamedValue> &values, const QDateTime &at);
    // A value went to or above its threshold: "Es/No low: 5.8 dB (threshold 6)".
    void valueAlert(const QString &text);
    void staleChanged(bool stale);
    // "Last reading 57 at 14:03:12" or "No reading since …: reason", after every poll.
    void statusLineChanged(const QString &line);
    // A change worth telling the user of; whether and when is the listener's business.
    void alertRaised(talvor::SignalWatch::Alert alert, const QString &text);
    void problemsChanged(const QStringList &problems);
    // A part that had no problem has one now: told once.
    void problemRaised(const QString &text);

private:
    void tell(const SignalWatch::Change &change);
    QString statusLine() const;

    SignalWatch m_watch;
    QMap<QString, QString> m_problems; // by part
    QList<NamedValue> m_values;
    QMap<QString, bool> m_valueLow; // by name: low was said and back not yet
    int m_nextTry = 0;
    std::optional<QDateTime> m_paused;
};

} // namespace talvor
