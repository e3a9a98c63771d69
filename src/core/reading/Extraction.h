#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace talvor {

// The reading in a page: the number read from the three characters after the
// first occurrence of searchText (letter case ignored), as shortest decimal
// text. Empty when the search text is empty or does not occur, so a wrong page
// is never taken for a reading of 0.
std::optional<QString> extractReading(const QString &pageText, const QString &searchText);

// How a page gives its reading (Modem.ini [reading] rule= and pattern=).
struct ReadingRule {
    enum Kind { Three, Number, Regex, Json } kind = Three;
    QString pattern; // Regex: a capture group holds the number; Json: a pointer such as /signal/snr
    bool usesPattern() const { return kind == Regex || kind == Json; }
    bool operator==(const ReadingRule &) const = default;
};
// "three", "number", "regex" or "json"; nothing for another name.
std::optional<ReadingRule::Kind> readingRuleKind(const QString &name);
QString readingRuleName(ReadingRule::Kind kind);
// The rule in a few words, as a report states it: `number after "SNR:"`,
// `json /signal/snr`.
QString readingRuleText(const ReadingRule &rule, const QString &searchText);

// A rule's find in a page: the reading as shortest decimal text, or the
// words that say why there is none.
struct ReadingFound {
    std::optional<QString> reading;
    QString failure;
};
// "three" is extractReading; "number" takes the whole number after the search
// text (a sign, a Unicode minus, decimals with . or ,); "regex" and "json"
// search the whole body and leave the search text alone.
ReadingFound findReading(const QString &pageText, const QString &searchText, const ReadingRule &rule);

// One page searched by several rules (the reading and the named values):
// parsed as JSON once, at the first rule that needs it.
class PageSearch {
public:
    explicit PageSearch(const QString &pageText);
    ~PageSearch();
    ReadingFound find(const QString &searchText, const ReadingRule &rule);

private:
    struct Parsed;
    const QString &m_text;
    std::unique_ptr<Parsed> m_json;
};

} // namespace talvor
