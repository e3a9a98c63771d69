#pragma once

#include "ModemKeyring.h"

#include <QDialog>

class Monitor;
struct ModemSettings;
class QAction;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

// "Modem Login…": the user name and password a modem's page asks for. The
// user name is saved to Modem.ini, the password to the desktop's keyring,
// and into Modem.ini only where no keyring answers; both go to the monitor
// at once.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(QAction *MenuLogin, Monitor &monitor, QWidget *parent = nullptr);
    // At start: a login whose password Modem.ini does not hold takes it from the keyring.
    void fetchPassword();

signals:
    // A line for the page view.
    void notice(const QString &text);

private:
    void MenuLogin_Click();
    void save();
    ModemSettings fromBoxes() const;
    void keep(const QString &keyringError);

    Monitor &m_monitor;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_problem;
    QDialogButtonBox *m_buttons;
    ModemKeyring m_keyring;
    bool m_keyringRefused = false;
};
