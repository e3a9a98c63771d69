#include "ModemSettings.h"

#include "core/program/ProgramFolder.h"
#include "core/reading/Numbers.h"
#include "monitor/OwnerOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSettings>

const QString ModemSettings::FileName = QStringLiteral("Modem.ini");

namespace {

// The key=value lines of one [section], each value exactly as written.
QMap<QString, QString> sectionAsWritten(const QString &path, const QString &section)
{
    QMap<QString, QString> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    bool inside = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inside = line.compare(QStringLiteral("[%1]").arg(section), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inside && equals > 0 && !line.startsWith(u';') && !line.startsWith(u'#'))
            lines.insert(line.left(equals).trimmed().toLower(), line.mid(equals + 1).trimmed());
    }
    return lines;
}

} // namespace

ModemSettings ModemSettings::load()
{
    ModemSettings s;
    if (!talvor::programFileExists(FileName))
        return s;
    const QSettings ini(QDir(talvor::programFolder()).filePath(FileName), QSettings::IniFormat);
    const QString rule = ini.value(QStringLiteral("reading/rule")).toString();
    if (const auto kind = talvor::readingRuleKind(rule))
        s.rule.kind = *kind;
    else if (!rule.trimmed().isEmpty())
        s.notes << QStringLiteral("%1: the reading rule \"%2\" is not one of three, number, regex or json; the "
                                  "three characters after the search text are read.")
                       .arg(ini.fileName(), rule);
    s.rule.pattern = ini.value(QStringLiteral("reading/pattern")).toString();
    // names=a,b reads as a list, names="a,b" as one text: both are the same names.
    const QStringList names =
        ini.value(QStringLiteral("values/names")).toStringList().join(u',').split(u',', Qt::SkipEmptyParts);
    for (const QString &listed : names) {
        const QString name = listed.trimmed();
        const QString group = QStringLiteral("value.%1/").arg(name);
        const auto field = [&](const char *key) { return ini.value(group + QLatin1String(key)).toString(); };
        const talvor::ValueRuleRead read =
            talvor::valueRule(name, field("label"), field("unit"), field("rule"), field("pattern"), field("threshold"));
        const bool twice = std::any_of(s.values.begin(), s.values.end(),
                                       [&name](const talvor::ValueRule &v) { return v.name == name; });
        if (!read.rule || twice)
            s.notes << QStringLiteral("%1: %2").arg(ini.fileName(),
                                                    twice ? QStringLiteral("the value %1 is named twice; the second "
                                                                           "is skipped.")
                                                                .arg(name)
                                                          : read.problem);
        else
            s.values << *read.rule;
    }
    s.user = ini.value(QStringLiteral("login/user")).toString();
    const QString kind = ini.value(QStringLiteral("login/kind")).toString().trimmed().toLower();
    if (kind == u"form") {
        talvor::FormLogin form;
        // Patterns and bodies hold quotes, commas and semicolons, which the
        // INI reader would take apart: the form's lines are read as written.
        const QMap<QString, QString> lines = sectionAsWritten(ini.fileName(), QStringLiteral("login"));
        const auto field = [&lines, &ini](const char *key, const QString &otherwise) {
            const QString written = lines.value(QLatin1String(key), otherwise);
            // Saved from the window, a value with quotes is quoted and escaped
            // the INI way; one written by hand is taken as it stands.
            return written.startsWith(u'"') && written.endsWith(u'"') && written.size() > 1
                ? ini.value(QStringLiteral("login/") + QLatin1String(key)).toStringList().join(u',')
                : written;
        };
        form.page = field("page", {});
        form.token = field("token", {});
        form.post = field("post", {});
        form.body = field("body", form.body);
        form.contentType = field("content_type", form.contentType);
        form.loggedOut = field("logged_out", {});
        form.logout = field("logout", {});
        if (form.post.isEmpty())
            s.notes << QStringLiteral("%1: a form login needs post= (where the login is sent); none is tried.")
                           .arg(ini.fileName());
        else
            s.form = form;
    } else if (!kind.isEmpty() && kind != u"basic-digest") {
        s.notes << QStringLiteral("%1: the login kind \"%2\" is not basic-digest or form; basic-digest is used.")
                       .arg(ini.fileName(), kind);
    }
    s.password = ini.value(QStringLiteral("login/password")).toString();
    if (!s.password.isEmpty()) {
        s.notes << QStringLiteral("The modem's password is kept in %1, readable by you alone.").arg(ini.fileName());
        if (const QString tightened = keepToOwner(ini.fileName()); !tightened.isEmpty())
            s.notes << tightened;
    }
    return s;
}

QString ModemSettings::saveReading() const
{
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
        ini.setValue(QStringLiteral("reading/rule"), talvor::readingRuleName(rule.kind));
        ini.setValue(QStringLiteral("reading/pattern"), rule.pattern);
    });
}

QString ModemSettings::saveLogin() const
{
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
        ini.setValue(QStringLiteral("login/user"), user);
        ini.setValue(QStringLiteral("login/password"), password);
        ini.setValue(QStringLiteral("login/kind"), form ? QStringLiteral("form") : QStringLiteral("basic-digest"));
        const talvor::FormLogin written = form.value_or(talvor::FormLogin{});
        const std::pair<const char *, QString> fields[] = {
            {"page", written.page},
            {"token", written.token},
            {"post", written.post},
            {"body", written.body},
            {"content_type", written.contentType},
            {"logged_out", written.loggedOut},
            {"logout", written.logout},
        };
        for (const auto &[key, value] : fields) {
            const QString name = QStringLiteral("login/") + QLatin1String(key);
            if (form)
                ini.setValue(name, value);
            else
                ini.remove(name);
        }
    });
}

QString ModemSettings::saveValues() const
{
    return writeOwnerOnly(FileName, [this](QSettings &ini) {
        for (const QString &group : ini.childGroups())
            if (group.startsWith(QStringLiteral("value.")))
                ini.remove(group);
        QStringList names;
        for (const talvor::ValueRule &v : values) {
            names << v.name;
            const QString group = QStringLiteral("value.%1/").arg(v.name);
            ini.setValue(group + QStringLiteral("label"), v.label);
            ini.setValue(group + QStringLiteral("unit"), v.unit);
            ini.setValue(group + QStringLiteral("rule"), talvor::readingRuleName(v.rule.kind));
            ini.setValue(group + QStringLiteral("pattern"), v.rule.usesPattern() ? v.rule.pattern : v.searchText);
            if (v.threshold)
                ini.setValue(group + QStringLiteral("threshold"), talvor::shortestText(*v.threshold));
        }
        ini.setValue(QStringLiteral("values/names"), names.join(u','));
    });
}
