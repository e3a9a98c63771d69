#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// A login by a form or JSON post and a session cookie, as most modems and
// routers that are not content with HTTP Basic or Digest want it
// (Modem.ini [login] kind=form).
namespace talvor {

struct FormLogin {
    QString page;  // fetched first (its cookies kept, the token read from it); may be empty
    QString token; // a regular expression whose first group is {token}, or a JSON pointer (/…)
    QString post;  // where the login goes, on the modem's scheme, host and port
    QString body = QStringLiteral("username={user}&password={password}");
    QString contentType = QStringLiteral("application/x-www-form-urlencoded");
    QString loggedOut; // a regular expression: a status page matching it means the session ended
    QString logout;    // a path fetched when Talvor ends, for modems with one session
    bool operator==(const FormLogin &) const = default;
};

// The login post's body: each placeholder ({user}, {password}, {token},
// {password_base64}, {password_md5}, {password_sha256}, and
// {sha256:…} over what it holds) filled in and encoded for the content type
// (percent-encoded for a form, escaped for JSON). An unknown placeholder is
// a problem, the body none.
struct LoginBody {
    QByteArray bytes;
    QString problem;
};
LoginBody loginBody(const FormLogin &login, const QString &user, const QString &password, const QString &token);

// The token a login page gives by the rule (its first group, or the value
// at a JSON pointer); nothing when it gives none.
std::optional<QString> findToken(const QString &page, const QString &rule);

// Text shown to the user with every secret in it replaced by •••.
QString hideSecrets(QString text, const QStringList &secrets);

} // namespace talvor
