#include "SettingsHistory.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace talvor {

namespace {
// A day on which the address changed five times still fits a header line.
constexpr int MostChangesNamed = 3;
} // namespace

QString changeTimeText(qint64 atMs)
{
    return QLocale::c().toString(QDateTime::fromMSecsSinceEpoch(atMs).toLocalTime(), QStringLiteral("d MMM HH:mm"));
}

QString settingHeld(const QList<SettingChange> &changes, qint64 fromMs, qint64 toMs, const QString &unrecorded)
{
    QString held = unrecorded;
    QList<SettingChange> distinct;
    for (const SettingChange &c : changes) {
        if (c.atMs <= fromMs)
            held = c.value;
        else if (c.atMs < toMs && c.value != (distinct.isEmpty() ? held : distinct.back().value))
            distinct << c;
    }
    QStringList parts;
    if (!held.isEmpty())
        parts << held;
    const auto from = [&](const SettingChange &c) {
        parts << QStringLiteral("%1 from %2").arg(c.value, changeTimeText(c.atMs));
    };
    const qsizetype more = distinct.size() - MostChangesNamed - 1;
    for (qsizetype i = 0; i < distinct.size(); ++i) {
        if (more > 0 && i == MostChangesNamed) {
            parts << QStringLiteral("%1 more %2").arg(more).arg(more == 1 ? u"change" : u"changes");
            i += more;
        }
        from(distinct[i]);
    }
    return parts.join(QStringLiteral("; "));
}

QString spacingShown(QList<int> pollsPerMinute)
{
    pollsPerMinute.removeAll(0);
    if (pollsPerMinute.isEmpty())
        return {};
    const auto middle = pollsPerMinute.begin() + pollsPerMinute.size() / 2;
    std::nth_element(pollsPerMinute.begin(), middle, pollsPerMinute.end());
    if (*middle <= 1)
        return QStringLiteral("readings about once a minute or less often");
    return QStringLiteral("readings about every %1 s").arg(qRound(60.0 / *middle));
}

} // namespace talvor
