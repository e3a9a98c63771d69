#pragma once

#include "ModemKeyring.h"

#include <QDialog>

class Monitor;
struct ModemSettings;
class QAction;
class QDialogButtonBox;
class QComboBox;
class QLabel;
class QLineEdit;

// "Other Modem…": how another modem's page gives its reading, and the login
// it asks for. Saved to Modem.ini and handed to the monitor at once;
// Talvor.ini is left as it is. The password goes to the desktop's keyring,
// and into Modem.ini only where no keyring answers.
class ModemDialog : public QDialog {
    Q_OBJECT
public:
    ModemDialog(QAction *MenuModem, Monitor &monitor, QWidget *parent = nullptr);
    // At start: a login whose password Modem.ini does not hold takes it from the keyring.
    void fetchPassword();

signals:
    // A line for the page view.
    void notice(const QString &text);

private:
    void MenuModem_Click();
    void showRule();
    void save();
    ModemSettings fromBoxes() const;
    void keep(const QString &keyringError);

    Monitor &m_monitor;
    QComboBox *m_rule;
    QLineEdit *m_pattern;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_problem;
    QDialogButtonBox *m_buttons;
    ModemKeyring m_keyring;
};
