#include "Settings.h"

#include "core/reading/Numbers.h"

#include <QUrl>

#include <algorithm>

namespace talvor {

const QString DefaultSearchText = QStringLiteral("Signal Strength.............. ");
const QString DefaultStatusUrl = QStringLiteral("http://192.168.0.1/stats/summary/summary 1 .txt");

Settings firstStartSettings()
{
    Settings settings;
    settings.SearchText = DefaultSearchText;
    settings.txtURL = DefaultStatusUrl;
    settings.LeftColor = DefaultLeftColor;
    settings.RightColor = DefaultRightColor;
    settings.LeftColorBad = DefaultLeftColorBad;
    settings.RightColorBad = DefaultRightColorBad;
    return settings;
}

double SettingsField::number() const
{
    if (!quoted && text == u"#TRUE#")
        return -1;
    if (!quoted && text == u"#FALSE#")
        return 0;
    return leadingNumber(text);
}

bool SettingsField::boolean() const
{
    return number() != 0;
}

namespace {

QByteArray quoted(const QString &text)
{
    QByteArray bytes = text.toLatin1();
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

QByteArray boolean(bool value)
{
    return value ? QByteArrayLiteral("#TRUE#") : QByteArrayLiteral("#FALSE#");
}

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

} // namespace

QByteArray writeSettingsLine(const Settings &s)
{
    const QList<QByteArray> fields = {
        QByteArray::number(s.EnableAutoCheck),
        quoted(s.M_refresh_rate),
        quoted(s.SShistoryLen),
        quoted(s.ssThreshold),
        QByteArray::number(s.MinimizeStartup),
        quoted(s.SearchText),
        quoted(s.txtURL),
        quoted(s.font.name),
        boolean(s.font.bold),
        boolean(s.font.italic),
        shortestText(s.font.size).toLatin1(),
        QByteArray::number(s.LeftColor),
        QByteArray::number(s.RightColor),
        QByteArray::number(s.LeftColorBad),
        QByteArray::number(s.RightColorBad),
        QByteArray::number(s.ShowInSystemTray),
        QByteArray::number(s.DoLogFile),
        QByteArray::number(s.NotifyAlerts),
    };
    return fields.join(',') + "\r\n";
}

bool isLatin1(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

QString storableUrl(const QString &address)
{
    if (isLatin1(address))
        return address;
    return QString::fromLatin1(QUrl(address, QUrl::TolerantMode).toEncoded());
}

std::optional<QList<SettingsField>> readSettingsFields(const QByteArray &raw)
{
    // Some editors start a file saved as UTF-8 with a byte-order mark.
    const QByteArray content = raw.startsWith("\xEF\xBB\xBF") ? raw.mid(3) : raw;
    // A file in UTF-16 (or anything else with NULs in it) is not ours: read
    // as single bytes it would give every field as garbage.
    if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF") || content.contains('\0'))
        return std::nullopt;
    const QString s = QString::fromLatin1(content);
    const qsizetype n = s.size();
    QList<SettingsField> fields;
    qsizetype i = 0;
    bool afterComma = false;
    while (true) {
        while (i < n && (s[i] == u' ' || s[i] == u'\t'))
            ++i;
        if (i >= n || isLineEnd(s[i])) {
            // A comma at the end of a line or of the file leaves an empty field.
            if (afterComma) {
                fields.append(SettingsField{});
                if (fields.size() > MaxSettingsFields)
                    return std::nullopt;
            }
            afterComma = false;
            if (i >= n)
                break;
            ++i;
            continue;
        }
        SettingsField field;
        if (s[i] == u'"') {
            field.quoted = true;
            ++i;
            while (i < n) {
                if (s[i] == u'"') {
                    if (i + 1 < n && s[i + 1] == u'"') {
                        field.text.append(u'"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.text.append(s[i++]);
            }
            // Whatever stands between the closing quote and the separator is ignored.
            while (i < n && s[i] != u',' && !isLineEnd(s[i]))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && s[i] != u',' && !isLineEnd(s[i]))
                ++i;
            field.text = s.mid(start, i - start).trimmed();
        }
        fields.append(field);
        if (fields.size() > MaxSettingsFields)
            return std::nullopt;
        afterComma = i < n && s[i] == u',';
        if (afterComma)
            ++i;
    }
    return fields;
}

} // namespace talvor
