#include "JsonScan.h"

#include "Numbers.h"

#include <QStringList>

#include <cmath>

namespace talvor {

namespace {

class Walk {
public:
    explicit Walk(QStringView text)
        : m_s(text)
    {
    }

    bool more() const { return m_at < m_s.size(); }
    QChar peek() const { return more() ? m_s[m_at] : QChar(); }
    void blanks()
    {
        while (more() && (m_s[m_at] == u' ' || m_s[m_at] == u'\t' || m_s[m_at] == u'\n' || m_s[m_at] == u'\r'))
            ++m_at;
    }
    bool take(QChar c)
    {
        blanks();
        if (peek() != c)
            return false;
        ++m_at;
        return true;
    }
    // Past the string at the cursor, its text as written (escapes and all)
    // in `raw`; false when it is not one.
    bool skipString(QStringView *raw = nullptr)
    {
        if (!take(u'"'))
            return false;
        const qsizetype start = m_at;
        while (more()) {
            const QChar c = m_s[m_at++];
            if (c == u'"') {
                if (raw)
                    *raw = m_s.sliced(start, m_at - 1 - start);
                return true;
            }
            if (c == u'\\')
                ++m_at;
        }
        return false;
    }
    // Whether the string at the cursor (a member's name) is `name`; the
    // cursor goes past it. Nothing when it is not a string.
    std::optional<bool> stringIs(const QString &name)
    {
        const qsizetype start = m_at;
        QStringView raw;
        if (!skipString(&raw))
            return std::nullopt;
        if (!raw.contains(u'\\'))
            return raw == name;
        m_at = start;
        const auto undone = string();
        return undone ? std::optional<bool>(*undone == name) : std::nullopt;
    }
    // A string at the cursor, its escapes undone; nothing when it is not one.
    std::optional<QString> string()
    {
        if (!take(u'"'))
            return std::nullopt;
        QString out;
        while (more()) {
            const QChar c = m_s[m_at++];
            if (c == u'"')
                return out;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (!more())
                return std::nullopt;
            const QChar e = m_s[m_at++];
            if (e == u'u') {
                bool ok = false;
                const ushort code = m_s.mid(m_at, 4).toUShort(&ok, 16);
                if (!ok || m_at + 4 > m_s.size())
                    return std::nullopt;
                out += QChar(code);
                m_at += 4;
            } else {
                static const QString from = QStringLiteral("\"\\/bfnrt");
                static const QString to = QStringLiteral("\"\\/\b\f\n\r\t");
                const qsizetype which = from.indexOf(e);
                if (which < 0)
                    return std::nullopt;
                out += to[which];
            }
        }
        return std::nullopt;
    }
    // Past the value at the cursor; false when the text ends or breaks first.
    bool skipValue()
    {
        blanks();
        if (peek() == u'"')
            return skipString();
        if (peek() == u'{' || peek() == u'[') {
            int depth = 0;
            while (more()) {
                const QChar c = m_s[m_at];
                if (c == u'"') {
                    if (!skipString())
                        return false;
                    continue;
                }
                ++m_at;
                if (c == u'{' || c == u'[')
                    ++depth;
                else if ((c == u'}' || c == u']') && --depth == 0)
                    return true;
            }
            return false;
        }
        const qsizetype start = m_at;
        while (more() && !QStringView(u",}] \t\r\n").contains(m_s[m_at]))
            ++m_at;
        return m_at > start;
    }
    // The scalar at the cursor as text, the cursor left where it was.
    QStringView scalar()
    {
        blanks();
        qsizetype end = m_at;
        while (end < m_s.size() && !QStringView(u",}] \t\r\n").contains(m_s[end]))
            ++end;
        return m_s.sliced(m_at, end - m_at);
    }

private:
    QStringView m_s;
    qsizetype m_at = 0;
};

// JSON's grammar of a number: -?(0|[1-9]digits)(.digits)?([eE][+-]?digits)?
bool isJsonNumber(QStringView n)
{
    qsizetype i = 0;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < n.size() && n[i] >= u'0' && n[i] <= u'9')
            ++i;
        return i > from;
    };
    if (i < n.size() && n[i] == u'-')
        ++i;
    if (i < n.size() && n[i] == u'0')
        ++i;
    else if (!digits())
        return false;
    if (i < n.size() && n[i] == u'.' && (++i, !digits()))
        return false;
    if (i < n.size() && (n[i] == u'e' || n[i] == u'E')) {
        ++i;
        if (i < n.size() && (n[i] == u'+' || n[i] == u'-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == n.size();
}

enum class Step { Found, Missing, Broken };

// Moves the walk to the member or element `step` of the value at the cursor.
Step enter(Walk &walk, const QString &step)
{
    walk.blanks();
    if (walk.take(u'{')) {
        if (walk.take(u'}'))
            return Step::Missing;
        for (;;) {
            const auto named = walk.stringIs(step);
            if (!named || !walk.take(u':'))
                return Step::Broken;
            if (*named)
                return Step::Found;
            if (!walk.skipValue())
                return Step::Broken;
            if (walk.take(u'}'))
                return Step::Missing;
            if (!walk.take(u','))
                return Step::Broken;
        }
    }
    if (walk.take(u'[')) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        if (!isIndex || index < 0 || walk.take(u']'))
            return Step::Missing;
        for (int i = 0;; ++i) {
            if (i == index)
                return Step::Found;
            if (!walk.skipValue())
                return Step::Broken;
            if (walk.take(u']'))
                return Step::Missing;
            if (!walk.take(u','))
                return Step::Broken;
        }
    }
    return walk.skipValue() ? Step::Missing : Step::Broken;
}

} // namespace

std::optional<ReadingFound> scanPointer(QStringView text, const QString &pointer)
{
    if (!pointer.startsWith(u'/'))
        return std::nullopt;
    Walk walk(text);
    walk.blanks();
    // A document is an object or an array, as the parser has it.
    if (walk.peek() != u'{' && walk.peek() != u'[')
        return std::nullopt;
    for (QString step : pointer.mid(1).split(u'/', Qt::KeepEmptyParts)) {
        step.replace(QStringLiteral("~1"), QStringLiteral("/")).replace(QStringLiteral("~0"), QStringLiteral("~"));
        switch (enter(walk, step)) {
        case Step::Found:
            continue;
        case Step::Missing:
            return ReadingFound{std::nullopt, QStringLiteral("No value at %1").arg(pointer)};
        case Step::Broken:
            return std::nullopt;
        }
    }
    const QStringView number = walk.scalar();
    if (!isJsonNumber(number)) {
        const QChar first = number.isEmpty() ? QChar() : number[0];
        // A string, object, array, true, false or null: there, but not a number.
        if (first == u'"' || first == u'{' || first == u'[' || number == u"true" || number == u"false"
            || number == u"null")
            return ReadingFound{std::nullopt, QStringLiteral("The value at %1 is not a number").arg(pointer)};
        return std::nullopt;
    }
    const double value = number.toDouble();
    if (!(std::abs(value) < 1e15))
        return ReadingFound{std::nullopt, QStringLiteral("The value at %1 is too large to be a reading").arg(pointer)};
    return ReadingFound{shortestText(value), {}};
}

} // namespace talvor
