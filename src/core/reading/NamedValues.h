#pragma once

#include "Extraction.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Numbers besides the reading that the same page gives (Es/No, transmit
// power, RSRQ), each named, found by its own rule, and kept, shared and
// watched like the reading. The reading stays the program's one number:
// title, tray, histogram, aim view and daily log.
namespace talvor {

struct ValueRule {
    QString name;  // letters, digits and _
    QString label; // as shown: "Es/No"
    QString unit;  // "dB"; may be empty
    ReadingRule rule;
    QString searchText; // three and number: what comes before the number
    std::optional<double> threshold;
};

// One value as one poll gave it.
struct NamedValue {
    QString name;
    QString label;
    QString unit;
    std::optional<double> threshold;
    std::optional<double> value; // none: missing this poll, for `failure`
    QString failure;

    bool low() const;
    // "Es/No 9.1 dB"
    QString shown() const;
    // "Es/No low: 5.8 dB (threshold 6)", "Es/No back: 7.2 dB (threshold 6)"
    QString alertText() const;
};

bool isValueName(const QString &name);

// A value's settings as Modem.ini gives them: the rule, or why the value is
// skipped.
struct ValueRuleRead {
    std::optional<ValueRule> rule;
    QString problem;
};
ValueRuleRead valueRule(const QString &name, const QString &label, const QString &unit, const QString &ruleName,
                        const QString &pattern, const QString &threshold);

// A pattern or a JSON pointer, for the reading or any value, looks through
// the whole page: the transfer then keeps all of it.
bool searchesWholePage(const ReadingRule &reading, const QList<ValueRule> &values);

// Every value in a page, in the rules' order.
QList<NamedValue> findValues(PageSearch &page, const QList<ValueRule> &rules);
// The values of a poll that gave no page: each missing for the poll's reason.
QList<NamedValue> missingValues(const QList<ValueRule> &rules, const QString &reason);

} // namespace talvor
