#pragma once

#include <QObject>
#include <QString>

// The modem's password in the desktop's keyring (Secret Service or KWallet,
// through QtKeychain), one entry per settings folder and user name. Both
// calls answer later, by signal; a desktop without a keyring answers with
// an error at once.
class ModemKeyring : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void store(const QString &user, const QString &password);
    void fetch(const QString &user);

signals:
    // Empty error: the keyring holds it. refused: the user closed the
    // keyring's own dialog (a new keyring's password, say).
    void stored(const QString &error, bool refused);
    void fetched(const QString &password, const QString &error);

private:
    static QString key(const QString &user);
};
