#include "HelpText.h"

#include <QStringDecoder>

QString talvor::helpTextFromFile(const QByteArray &content)
{
    // Saved as UTF-8 by today's editors, or one byte a character as of old.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(content);
    if (utf8.hasError())
        text = QString::fromLatin1(content);
    QString help;
    help.reserve(text.size() + 64);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\r', start);
        if (end < 0)
            end = text.size();
        help += QStringView(text).mid(start, end - start);
        help += QStringLiteral("\r\n");
        start = end + 1;
        if (start < text.size() && text[start] == u'\n')
            ++start;
    }
    return help;
}
