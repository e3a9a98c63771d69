#pragma once

#include "core/fetch/FormLogin.h"
#include "core/reading/NamedValues.h"

#include <QString>
#include <QStringList>

// Modem.ini beside Talvor.ini: how the page gives its reading and the login
// it asks for. Talvor.ini keeps its own fields, so older copies still read it.
//   [reading] rule=three|number|regex|json  pattern=
//   [login] user=  password=  (the password only where no keyring answers)
//   [values] names=esno,rx  and a [value.NAME] each: label= unit= rule=
//   pattern= threshold= (see talvor::ValueRule)
struct ModemSettings {
    talvor::ReadingRule rule;
    QString user;
    QString password;
    // [login] kind=form and its page=, token=, post=, body=, content_type=,
    // logged_out= and logout=; none for kind=basic-digest (the default).
    std::optional<talvor::FormLogin> form;
    QList<talvor::ValueRule> values;
    // What loading had to say, for the page view (an unknown rule, a
    // password in the file, a file tightened to its owner).
    QStringList notes;

    static const QString FileName;
    static ModemSettings load();
    // Each writes its own section, owner-only, and leaves the other as it
    // is; an error text, empty when saved.
    QString saveReading() const;
    QString saveLogin() const;
    QString saveValues() const;
};
