#include "TransferRequest.h"
#include "core/fetch/TransferTexts.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimer>

// A form login: the login page, the post, the status page, each a request
// of its own within one poll, and the session kept between polls.

void Transfer::Request::keepCookie(const QByteArray &line)
{
    // Kept from the modem's answers alone: every hop stays on its origin.
    if (line.size() <= 11 || line.first(11).toLower() != "set-cookie:")
        return;
    const QByteArray pair = line.sliced(11).split(';').value(0).trimmed();
    const qsizetype equals = pair.indexOf('=');
    if (equals <= 0)
        return;
    const QByteArray name = pair.first(equals);
    const QByteArray lower = line.toLower();
    if (lower.contains("max-age=0") || lower.contains("1970"))
        cookies.erase(name);
    else
        cookies[name] = pair.sliced(equals + 1);
}

QByteArray Transfer::Request::cookieLine() const
{
    QByteArray jar;
    for (const auto &[name, value] : cookies)
        jar += (jar.isEmpty() ? "" : "; ") + name + '=' + value;
    return jar;
}

QByteArray Transfer::Request::onModem(const QString &path) const
{
    const QByteArray target = redirectTarget(statusUrl, path.toUtf8());
    const Origin at = originOf(target);
    // The login goes to the modem alone, as the password does.
    if (at.scheme != first.scheme || at.host != first.host || at.port != first.port)
        return {};
    return target;
}

void Transfer::Request::beginLogin()
{
    loggedInThisPoll = true;
    if (QDateTime::currentMSecsSinceEpoch() < loginsPausedUntil) {
        refusal = talvor::formLoginRefusedText(
            QStringLiteral("after %1 refused logins Talvor waits until %2 before it tries again (modems lock "
                           "users out)")
                .arg(FailedLoginsBeforePause)
                .arg(QDateTime::fromMSecsSinceEpoch(loginsPausedUntil).toString(QStringLiteral("HH:mm:ss"))));
        finish(Complete);
        return;
    }
    token.clear();
    if (form->page.isEmpty()) {
        sendLogin();
        return;
    }
    const QByteArray page = onModem(form->page);
    if (page.isEmpty()) {
        errorText = QStringLiteral("The login page %1 is not on the modem's scheme, host and port.").arg(form->page);
        finish(Failed);
        return;
    }
    phase = LoginPage;
    hop(page, QStringLiteral("The login page could not be asked for."));
}

void Transfer::Request::hop(const QByteArray &to, const QString &failing)
{
    dropEasy();
    phaseAnswer.clear();
    if (startHop(to))
        return;
    if (errorText.isEmpty())
        errorText = failing;
    finish(Failed);
}

void Transfer::Request::sendLogin()
{
    const talvor::LoginBody made =
        talvor::loginBody(*form, QString::fromUtf8(user), QString::fromUtf8(password), token);
    const QByteArray post = onModem(form->post);
    if (!made.problem.isEmpty() || post.isEmpty()) {
        errorText = made.problem.isEmpty()
            ? QStringLiteral("The login post %1 is not on the modem's scheme, host and port.").arg(form->post)
            : made.problem;
        finish(Failed);
        return;
    }
    postBody = made.bytes;
    phase = LoginPost;
    hop(post, QStringLiteral("The login could not be sent."));
}

void Transfer::Request::loginRefused(const QString &said)
{
    session = false;
    if (++failedLogins >= FailedLoginsBeforePause)
        loginsPausedUntil = QDateTime::currentMSecsSinceEpoch() + LoginPauseMs;
    refusal = talvor::formLoginRefusedText(talvor::hideSecrets(said, {QString::fromUtf8(password), token}));
    finish(Complete);
}

bool Transfer::Request::sessionStep()
{
    const QString answer = reason.isEmpty() ? QString::number(status) : QStringLiteral("%1 %2").arg(status).arg(reason);
    const QString path = QUrl::fromEncoded(hopUrl).path();
    if (phase == LoginPage) {
        say(QStringLiteral("Login page %1: %2").arg(path, phaseAnswer));
        if (status >= 400) {
            loginRefused(QStringLiteral("the login page %1 answered %2").arg(path, answer));
            return false;
        }
        if (!form->token.isEmpty()) {
            const auto found = talvor::findToken(QString::fromUtf8(body), form->token);
            if (!found) {
                say(QStringLiteral("No token found on the login page"));
                loginRefused(QStringLiteral("no token found on the login page %1").arg(path));
                return false;
            }
            token = *found;
            say(QStringLiteral("Token found"));
        }
        sendLogin();
        return false;
    }
    if (phase == LoginPost) {
        say(QStringLiteral("Login sent to %1: %2").arg(QUrl::fromEncoded(onModem(form->post)).path(), phaseAnswer));
        QStringList names;
        for (const auto &[name, value] : cookies)
            names << QString::fromUtf8(name);
        say(names.isEmpty() ? QStringLiteral("No cookies set")
                            : QStringLiteral("Cookies set: %1").arg(names.join(QStringLiteral(", "))));
        if (status >= 400) {
            QString said = QString::fromUtf8(body.left(200)).simplified();
            said.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
            loginRefused(said.isEmpty() ? answer : QStringLiteral("%1 (%2)").arg(answer, said.left(120)));
            return false;
        }
        session = true;
        phase = StatusPage;
        // Sent on to the status page itself: that answer is the poll's.
        if (hopUrl != statusUrl) {
            hop(statusUrl, QStringLiteral("The status page could not be asked for."));
            return false;
        }
    }
    if (!form)
        return true;
    say(QStringLiteral("Status page: %1").arg(answer));
    const auto isPath = [&path, this](const QString &other) {
        return !other.isEmpty() && QUrl::fromEncoded(onModem(other)).path() == path;
    };
    const bool ended = status == 401 || status == 403 || (hops > 0 && (isPath(form->page) || isPath(form->post)))
        || (!form->loggedOut.isEmpty()
            && QRegularExpression(form->loggedOut).match(QString::fromUtf8(body)).hasMatch());
    if (!ended) {
        failedLogins = 0;
        return true;
    }
    session = false;
    if (loggedInThisPoll) {
        // Just logged in, and the modem still asks for it: the login was not taken.
        loginRefused(QStringLiteral("the status page still asks for a login (%1)").arg(answer));
        return false;
    }
    say(QStringLiteral("The session has ended: logging in again"));
    hops = 0;
    beginLogin();
    return false;
}

void Transfer::setFormLogin(const std::optional<talvor::FormLogin> &login)
{
    if (login == d->form)
        return;
    d->form = login;
    d->session = false;
    d->cookies.clear();
    d->failedLogins = 0;
    d->loginsPausedUntil = 0;
}

namespace {
size_t dropped(char *, size_t size, size_t count, void *)
{
    return size * count;
}
} // namespace

void Transfer::logOut()
{
    Request &r = *d;
    const QByteArray target = r.form && !r.form->logout.isEmpty() ? r.onModem(r.form->logout) : QByteArray();
    if (!r.session || target.isEmpty() || !loadedCurl().api)
        return;
    r.session = false;
    const EasyHandle easy(curl().easy_init());
    if (!easy)
        return;
    const QByteArray jar = r.cookieLine();
    r.cookies.clear();
    // The same rules as every request: no proxy, http and https, no hop elsewhere.
    CURL *handle = easy.get();
    const bool set = curl().easy_setopt(handle, CURLOPT_URL, target.constData()) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_PROXY, "") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_NOPROXY, "*") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_TIMEOUT_MS, 2000L) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_USERAGENT, "Talvor") == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_WRITEFUNCTION, &dropped) == CURLE_OK
        && curl().easy_setopt(handle, CURLOPT_COOKIE, jar.constData()) == CURLE_OK;
    // What the modem answers changes nothing: Talvor is ending either way.
    if (set)
        curl().easy_perform(handle);
}

QString Transfer::loginRefusal() const
{
    return d->refusal;
}
