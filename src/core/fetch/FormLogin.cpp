#include "FormLogin.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace talvor {

namespace {

QByteArray hex(QCryptographicHash::Algorithm algorithm, const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), algorithm).toHex();
}

using Encode = QString (*)(const QString &);

QString asIs(const QString &value)
{
    return value;
}

QString formEncoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString jsonEscaped(const QString &value)
{
    const QByteArray quoted = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(quoted.sliced(2, quoted.size() - 4));
}

struct Secrets {
    QString user;
    QString password;
    QString token;
};

// Fills the placeholders of `text` from the plain values, each encoded as it
// goes in; `problem` names one that is not known. Inside {sha256:…} the
// values go in plain and the digest is what is encoded; `end` (for that
// inner text) is where its closing brace is.
QString filled(QStringView text, const Secrets &s, Encode encode, QString &problem, qsizetype *end = nullptr)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u'}' && end) {
            *end = i;
            return out;
        }
        if (text[i] != u'{') {
            out += text[i++];
            continue;
        }
        if (text.sliced(i + 1).startsWith(u"sha256:")) {
            qsizetype inner = 0;
            const QString over = filled(text.sliced(i + 8), s, &asIs, problem, &inner);
            out += encode(QString::fromLatin1(hex(QCryptographicHash::Sha256, over)));
            i += 8 + inner + 1;
            continue;
        }
        const qsizetype close = text.indexOf(u'}', i);
        const QStringView name = close < 0 ? text.sliced(i + 1) : text.sliced(i + 1, close - i - 1);
        // A brace of the body's own (JSON's) is not a placeholder: those are words.
        const bool word = close > i + 1 && std::all_of(name.begin(), name.end(), [](QChar c) {
                              return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
                          });
        if (!word) {
            out += text[i++];
            continue;
        }
        if (name == u"user")
            out += encode(s.user);
        else if (name == u"password")
            out += encode(s.password);
        else if (name == u"token")
            out += encode(s.token);
        else if (name == u"password_base64")
            out += encode(QString::fromLatin1(s.password.toUtf8().toBase64()));
        else if (name == u"password_md5")
            out += encode(QString::fromLatin1(hex(QCryptographicHash::Md5, s.password)));
        else if (name == u"password_sha256")
            out += encode(QString::fromLatin1(hex(QCryptographicHash::Sha256, s.password)));
        else if (problem.isEmpty())
            problem = QStringLiteral("The login body has {%1}, which is not one of {user}, {password}, {token}, "
                                     "{password_base64}, {password_md5}, {password_sha256} or {sha256:…}")
                          .arg(name.toString());
        i = close + 1;
    }
    if (end)
        *end = text.size();
    return out;
}

} // namespace

LoginBody loginBody(const FormLogin &login, const QString &user, const QString &password, const QString &token)
{
    const bool json = login.contentType.contains(QStringLiteral("json"), Qt::CaseInsensitive);
    QString problem;
    const QString body = filled(login.body, {user, password, token}, json ? &jsonEscaped : &formEncoded, problem);
    if (!problem.isEmpty())
        return {{}, problem};
    return {body.toUtf8(), {}};
}

std::optional<QString> findToken(const QString &page, const QString &rule)
{
    if (rule.isEmpty())
        return std::nullopt;
    if (rule.startsWith(u'/')) {
        QJsonValue value = QJsonDocument::fromJson(page.toUtf8()).object();
        for (const QString &step : rule.mid(1).split(u'/'))
            value = value.toObject().value(step);
        if (value.isString())
            return value.toString();
        if (value.isDouble())
            return QString::number(value.toDouble(), 'g', 17);
        return std::nullopt;
    }
    const QRegularExpressionMatch match = QRegularExpression(rule).match(page);
    if (!match.hasMatch() || match.lastCapturedIndex() < 1)
        return std::nullopt;
    return match.captured(1);
}

QString hideSecrets(QString text, const QStringList &secrets)
{
    for (const QString &secret : secrets)
        if (!secret.isEmpty())
            text.replace(secret, QStringLiteral("\u2022\u2022\u2022"));
    return text;
}

} // namespace talvor
