#include "Extraction.h"

#include "JsonScan.h"
#include "Numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace talvor {

namespace {

const QString SearchTextMissing = QStringLiteral("Search text not found!");
// Far more digits than any modem prints; beyond them it is not a reading.
constexpr int MostDigits = 15;

// A whole number at the start of text (blanks before it skipped): an
// optional sign (a Unicode minus too), digits, and decimals after . or ,.
// The reading, or the words that say why there is none; end is where the
// number stopped.
ReadingFound wholeNumber(QStringView text, const QString &where, qsizetype *end = nullptr)
{
    qsizetype at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    QString number;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+' || text[at] == QChar(0x2212)))
        number += text[at++] == u'+' ? QString() : QStringLiteral("-");
    // Only 0 to 9: another script's digits are not a modem's number.
    const auto digitAt = [&text](qsizetype i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
    int digits = 0;
    const auto takeDigits = [&] {
        while (digitAt(at)) {
            number += text[at++];
            ++digits;
        }
    };
    takeDigits();
    const int whole = digits;
    if (whole > 0 && at < text.size() && (text[at] == u'.' || text[at] == u',') && digitAt(at + 1)) {
        number += u'.';
        ++at;
        takeDigits();
    }
    if (end)
        *end = at;
    if (whole == 0)
        return {std::nullopt, QStringLiteral("No number follows %1").arg(where)};
    if (digits > MostDigits)
        return {std::nullopt, QStringLiteral("The number after %1 is too long to be a reading").arg(where)};
    return {shortestText(number.toDouble()), {}};
}

ReadingFound byPattern(const QString &pageText, const QString &pattern)
{
    const QRegularExpression expression(pattern);
    if (!expression.isValid())
        return {std::nullopt,
                QStringLiteral("The pattern is not a regular expression: %1").arg(expression.errorString())};
    if (expression.captureCount() < 1)
        return {std::nullopt, QStringLiteral("The pattern has no group ( ) around the number")};
    const QRegularExpressionMatch match = expression.match(pageText);
    // PCRE stops a pattern that backtracks without end; that is not "no match".
    if (!match.isValid())
        return {std::nullopt,
                QStringLiteral("The pattern gave up on this page: it reached PCRE's match limit "
                               "before it could tell whether it matches. A simpler pattern will do.")};
    if (!match.hasMatch())
        return {std::nullopt, QStringLiteral("The pattern matched nothing")};
    const QString captured = match.captured(1).trimmed();
    qsizetype end = 0;
    ReadingFound found = wholeNumber(captured, QStringLiteral("the pattern"), &end);
    // The group must hold a number and nothing else.
    if (captured.isEmpty() || end != captured.size())
        return {std::nullopt,
                QStringLiteral("The pattern matched \"%1\", which is not a number").arg(captured.left(40))};
    return found;
}

// The page as JSON: its root, or why it is not JSON.
struct JsonPage {
    QJsonValue root;
    QString failure;
};

JsonPage parseJson(const QString &pageText)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(pageText.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return {{}, QStringLiteral("Not JSON: %1 at character %2").arg(error.errorString()).arg(error.offset)};
    return {document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array()), {}};
}

ReadingFound byPointer(const JsonPage &page, const QString &pointer)
{
    if (!page.failure.isEmpty())
        return {std::nullopt, page.failure};
    QJsonValue value = page.root;
    if (!pointer.isEmpty() && !pointer.startsWith(u'/'))
        return {std::nullopt, QStringLiteral("%1 is not a JSON pointer (it starts with /)").arg(pointer)};
    // RFC 6901: each step names a member or an array index; ~1 is / and ~0 is ~.
    // The empty pointer is the whole document.
    const QStringList steps = pointer.isEmpty() ? QStringList() : pointer.mid(1).split(u'/', Qt::KeepEmptyParts);
    for (QString step : steps) {
        step.replace(QStringLiteral("~1"), QStringLiteral("/")).replace(QStringLiteral("~0"), QStringLiteral("~"));
        if (value.isObject() && value.toObject().contains(step)) {
            value = value.toObject().value(step);
            continue;
        }
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        if (!value.isArray() || !isIndex || index < 0 || index >= value.toArray().size())
            return {std::nullopt, QStringLiteral("No value at %1").arg(pointer)};
        value = value.toArray().at(index);
    }
    if (!value.isDouble())
        return {std::nullopt, QStringLiteral("The value at %1 is not a number").arg(pointer)};
    // The same bound as a number in the page: no modem's reading has more
    // whole digits, and a larger one would overflow the record's sums.
    if (!(std::abs(value.toDouble()) < 1e15))
        return {std::nullopt, QStringLiteral("The value at %1 is too large to be a reading").arg(pointer)};
    return {shortestText(value.toDouble()), {}};
}

} // namespace

std::optional<QString> extractReading(const QString &pageText, const QString &searchText)
{
    if (searchText.isEmpty())
        return std::nullopt;
    const qsizetype position = pageText.indexOf(searchText, 0, Qt::CaseInsensitive);
    if (position < 0)
        return std::nullopt;
    // Only three characters are read: modems print the number right after the
    // label, and a longer take would swallow the next field.
    const QStringView digits = QStringView(pageText).mid(position + searchText.size(), 3);
    return shortestText(leadingNumber(digits));
}

std::optional<ReadingRule::Kind> readingRuleKind(const QString &name)
{
    for (const ReadingRule::Kind kind :
         {ReadingRule::Three, ReadingRule::Number, ReadingRule::Regex, ReadingRule::Json})
        if (name.trimmed().compare(readingRuleName(kind), Qt::CaseInsensitive) == 0)
            return kind;
    return std::nullopt;
}

QString readingRuleText(const ReadingRule &rule, const QString &searchText)
{
    if (rule.usesPattern())
        return readingRuleName(rule.kind) + u' ' + rule.pattern;
    return QStringLiteral("%1 after \"%2\"").arg(readingRuleName(rule.kind), searchText);
}

QString readingRuleName(ReadingRule::Kind kind)
{
    switch (kind) {
    case ReadingRule::Number:
        return QStringLiteral("number");
    case ReadingRule::Regex:
        return QStringLiteral("regex");
    case ReadingRule::Json:
        return QStringLiteral("json");
    case ReadingRule::Three:
        break;
    }
    return QStringLiteral("three");
}

struct PageSearch::Parsed : JsonPage { };

PageSearch::PageSearch(const QString &pageText)
    : m_text(pageText)
{
}

PageSearch::~PageSearch() = default;

ReadingFound PageSearch::find(const QString &searchText, const ReadingRule &rule)
{
    if (rule.kind == ReadingRule::Json) {
        if (const auto walked = scanPointer(m_text, rule.pattern))
            return *walked;
        if (!m_json)
            m_json = std::make_unique<Parsed>(Parsed{parseJson(m_text)});
        return byPointer(*m_json, rule.pattern);
    }
    return findReading(m_text, searchText, rule);
}

ReadingFound findReading(const QString &pageText, const QString &searchText, const ReadingRule &rule)
{
    switch (rule.kind) {
    case ReadingRule::Regex:
        return byPattern(pageText, rule.pattern);
    case ReadingRule::Json:
        return byPointer(parseJson(pageText), rule.pattern);
    case ReadingRule::Number: {
        const qsizetype position = searchText.isEmpty() ? -1 : pageText.indexOf(searchText, 0, Qt::CaseInsensitive);
        if (position < 0)
            return {std::nullopt, SearchTextMissing};
        return wholeNumber(QStringView(pageText).mid(position + searchText.size()), QStringLiteral("the search text"));
    }
    case ReadingRule::Three:
        break;
    }
    if (const auto reading = extractReading(pageText, searchText))
        return {reading, {}};
    return {std::nullopt, SearchTextMissing};
}

} // namespace talvor
