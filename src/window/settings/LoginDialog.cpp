#include "LoginDialog.h"

#include "monitor/Monitor.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

LoginDialog::LoginDialog(QAction *MenuLogin, Monitor &monitor, QWidget *parent)
    : QDialog(parent)
    , m_monitor(monitor)
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_problem(new QLabel(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this))
    , m_keyring(this)
{
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QStringLiteral("Modem Login"));
    m_user->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
    m_password->setEchoMode(QLineEdit::Password);
    m_problem->setWordWrap(true);
    m_problem->hide();
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&User name:"), m_user);
    form->addRow(QStringLiteral("Pass&word:"), m_password);
    auto *note = new QLabel(QStringLiteral("For a modem or router whose page asks for a login. The user name is kept "
                                           "in %1, readable by you alone, the password in your desktop's keyring; "
                                           "both are sent only to the modem's own address.")
                                .arg(ModemSettings::FileName),
                            this);
    note->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &LoginDialog::save);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&m_keyring, &ModemKeyring::stored, this, [this](const QString &error, bool refused) {
        // Closing the keyring's dialog is an answer, not a missing keyring:
        // the password goes into the file only when asked again.
        if (refused && !std::exchange(m_keyringRefused, true)) {
            m_buttons->setEnabled(true);
            m_problem->setText(QStringLiteral("The keyring was closed, so the password is not saved. Save again to "
                                              "keep it in %1, readable by you alone, or Cancel.")
                                   .arg(ModemSettings::FileName));
            m_problem->show();
            return;
        }
        keep(error);
    });
    connect(&m_keyring, &ModemKeyring::fetched, this, [this](const QString &password, const QString &error) {
        if (!error.isEmpty()) {
            emit notice(QStringLiteral("The modem's password could not be read from the keyring: %1").arg(error));
            return;
        }
        m_monitor.setLogin(m_monitor.modem().user, password);
    });
    connect(MenuLogin, &QAction::triggered, this, &LoginDialog::MenuLogin_Click);
}

void LoginDialog::MenuLogin_Click()
{
    const ModemSettings &modem = m_monitor.modem();
    m_user->setText(modem.user);
    m_password->setText(modem.password);
    m_problem->hide();
    m_keyringRefused = false;
    // Not exec(): the window and the polls go on while it is open.
    open();
}

ModemSettings LoginDialog::fromBoxes() const
{
    ModemSettings modem = m_monitor.modem();
    modem.user = m_user->text();
    modem.password = m_password->text();
    return modem;
}

void LoginDialog::fetchPassword()
{
    const ModemSettings &modem = m_monitor.modem();
    if (!modem.user.isEmpty() && modem.password.isEmpty())
        m_keyring.fetch(modem.user);
}

void LoginDialog::save()
{
    const ModemSettings modem = fromBoxes();
    if (modem.user.isEmpty() || modem.password.isEmpty())
        return keep(QStringLiteral("no password to keep"));
    if (m_keyringRefused)
        return keep(QStringLiteral("you closed the keyring"));
    // The keyring answers later; the dialog waits for it.
    m_buttons->setEnabled(false);
    m_keyring.store(modem.user, modem.password);
}

void LoginDialog::keep(const QString &keyringError)
{
    m_buttons->setEnabled(true);
    const ModemSettings modem = fromBoxes();
    ModemSettings file = modem;
    if (keyringError.isEmpty())
        file.password.clear();
    // Kept open while something is wrong, so it can be put right.
    if (const QString error = file.saveLogin(); !error.isEmpty()) {
        m_problem->setText(error);
        m_problem->show();
        return;
    }
    if (!keyringError.isEmpty() && !modem.password.isEmpty())
        emit notice(QStringLiteral("No keyring answered (%1): the modem's password is kept in %2, readable by you "
                                   "alone.")
                        .arg(keyringError, ModemSettings::FileName));
    m_monitor.setLogin(modem.user, modem.password);
    accept();
}
