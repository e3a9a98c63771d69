#pragma once

#include <QDialog>

class Monitor;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;

// "Other Modem…": how another modem's page gives its reading, and the login
// it asks for. Saved to Modem.ini and handed to the monitor at once;
// Talvor.ini is left as it is.
class ModemDialog : public QDialog {
    Q_OBJECT
public:
    ModemDialog(QAction *MenuModem, Monitor &monitor, QWidget *parent = nullptr);

private:
    void MenuModem_Click();
    void showRule();
    void save();

    Monitor &m_monitor;
    QComboBox *m_rule;
    QLineEdit *m_pattern;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_problem;
};
