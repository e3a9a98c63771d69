#pragma once

#include <QList>
#include <QString>

// What the polls were made with, and from when: the record keeps a dated row
// each time the address (without its login), the interval, the threshold or
// the reading rule changed, so that a report states what held then rather
// than what is set now.
namespace talvor {

struct SettingChange {
    qint64 atMs = 0;
    QString name;
    QString value;
    bool operator==(const SettingChange &) const = default;
};

// The names the record keeps.
inline const QString AddressSetting = QStringLiteral("address");
inline const QString IntervalSetting = QStringLiteral("interval");
inline const QString ThresholdSetting = QStringLiteral("threshold");
inline const QString RuleSetting = QStringLiteral("rule");

// "10 Nov 14:02", local time.
QString changeTimeText(qint64 atMs);

// What one setting was from `fromMs` to before `toMs`, from its changes in
// order: "every 30 s; every 5 s from 10 Nov 14:02". Before the first change
// kept, `unrecorded` stands in; a long run of changes is cut short with how
// many more there were and the last.
QString settingHeld(const QList<SettingChange> &changes, qint64 fromMs, qint64 toMs, const QString &unrecorded);

// The spacing readings show where no interval was kept (logs folded in from
// before the record, another program's): from the polls in each minute that
// had any, "readings about every 30 s"; empty without any.
QString spacingShown(QList<int> pollsPerMinute);

} // namespace talvor
