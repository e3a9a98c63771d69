#pragma once

#include "ModemKeyring.h"

#include <QDialog>

class Monitor;
struct ModemSettings;
class PageCheck;
class QAction;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

// "Modem Login…": the user name and password a modem's page asks for, and
// how it asks: HTTP Basic or Digest, or a form (or JSON) posted to it with
// a session cookie. The user name and the form are saved to Modem.ini, the
// password to the desktop's keyring, and into Modem.ini only where no
// keyring answers; all go to the monitor at once. "Test" polls the page
// once with what the dialog holds and shows each step.
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
    void showKind();
    void test();

    Monitor &m_monitor;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QComboBox *m_kind;
    QWidget *m_formFields;
    QLineEdit *m_page;
    QLineEdit *m_token;
    QLineEdit *m_post;
    QLineEdit *m_body;
    QComboBox *m_contentType;
    QLineEdit *m_loggedOut;
    QLineEdit *m_logout;
    QPushButton *m_test;
    QPlainTextEdit *m_steps;
    PageCheck *m_check;
    QLabel *m_problem;
    QDialogButtonBox *m_buttons;
    ModemKeyring m_keyring;
    bool m_keyringRefused = false;
};
