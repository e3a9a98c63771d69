#include "NamedValues.h"

#include "Numbers.h"
#include "ReadingRules.h"

#include <algorithm>

namespace talvor {

bool NamedValue::low() const
{
    return value && threshold && belowThreshold(*value, *threshold);
}

QString NamedValue::shown() const
{
    const QString number = value ? shortestText(*value) : QStringLiteral("–");
    return unit.isEmpty() ? QStringLiteral("%1 %2").arg(label, number)
                          : QStringLiteral("%1 %2 %3").arg(label, number, unit);
}

QString NamedValue::alertText() const
{
    const QString number = value ? shortestText(*value) : QStringLiteral("–");
    return QStringLiteral("%1 %2: %3%4 (threshold %5)")
        .arg(label, low() ? QStringLiteral("low") : QStringLiteral("back"), number,
             unit.isEmpty() ? QString() : u' ' + unit, threshold ? shortestText(*threshold) : QString());
}

bool isValueName(const QString &name)
{
    if (name.isEmpty() || name.size() > 64)
        return false;
    for (const QChar c : name)
        if (!(c == u'_' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return false;
    return true;
}

ValueRuleRead valueRule(const QString &name, const QString &label, const QString &unit, const QString &ruleName,
                        const QString &pattern, const QString &threshold)
{
    if (!isValueName(name))
        return {std::nullopt,
                QStringLiteral("The value name \"%1\" is not letters, digits and _ only; it is skipped.").arg(name)};
    const auto kind = readingRuleKind(ruleName.isEmpty() ? QStringLiteral("number") : ruleName);
    if (!kind)
        return {std::nullopt,
                QStringLiteral("The value %1 has the rule \"%2\", not one of three, number, regex or "
                               "json; it is skipped.")
                    .arg(name, ruleName)};
    if (pattern.isEmpty())
        return {std::nullopt, QStringLiteral("The value %1 has no pattern; it is skipped.").arg(name)};
    ValueRule rule;
    rule.name = name;
    rule.label = label.trimmed().isEmpty() ? name : label.trimmed();
    rule.unit = unit.trimmed();
    rule.rule.kind = *kind;
    (rule.rule.usesPattern() ? rule.rule.pattern : rule.searchText) = pattern;
    if (!threshold.trimmed().isEmpty()) {
        bool ok = false;
        const double t = threshold.trimmed().toDouble(&ok);
        if (!ok)
            return {std::nullopt,
                    QStringLiteral("The value %1 has the threshold \"%2\", not a number; it is skipped.")
                        .arg(name, threshold)};
        rule.threshold = t;
    }
    return {rule, {}};
}

namespace {
NamedValue namedFrom(const ValueRule &rule)
{
    return {rule.name, rule.label, rule.unit, rule.threshold, std::nullopt, {}};
}
} // namespace

bool searchesWholePage(const ReadingRule &reading, const QList<ValueRule> &values)
{
    return reading.usesPattern()
        || std::any_of(values.begin(), values.end(), [](const ValueRule &v) { return v.rule.usesPattern(); });
}

QList<NamedValue> findValues(PageSearch &page, const QList<ValueRule> &rules)
{
    QList<NamedValue> values;
    values.reserve(rules.size());
    for (const ValueRule &rule : rules) {
        NamedValue v = namedFrom(rule);
        const ReadingFound found = page.find(rule.searchText, rule.rule);
        if (found.reading)
            v.value = found.reading->toDouble();
        else
            v.failure = found.failure;
        values << v;
    }
    return values;
}

QList<NamedValue> missingValues(const QList<ValueRule> &rules, const QString &reason)
{
    QList<NamedValue> values;
    for (const ValueRule &rule : rules) {
        NamedValue v = namedFrom(rule);
        v.failure = reason;
        values << v;
    }
    return values;
}

} // namespace talvor
