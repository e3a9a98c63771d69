#include "LoginDialog.h"

#include "monitor/Monitor.h"
#include "monitor/fetch/PageCheck.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginDialog::LoginDialog(QAction *MenuLogin, Monitor &monitor, QWidget *parent)
    : QDialog(parent)
    , m_monitor(monitor)
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_kind(new QComboBox(this))
    , m_formFields(new QWidget(this))
    , m_page(new QLineEdit(m_formFields))
    , m_token(new QLineEdit(m_formFields))
    , m_post(new QLineEdit(m_formFields))
    , m_body(new QLineEdit(m_formFields))
    , m_contentType(new QComboBox(m_formFields))
    , m_loggedOut(new QLineEdit(m_formFields))
    , m_logout(new QLineEdit(m_formFields))
    , m_test(new QPushButton(QStringLiteral("&Test"), this))
    , m_steps(new QPlainTextEdit(this))
    , m_check(new PageCheck(this))
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
    m_user->setObjectName(QStringLiteral("User"));
    m_password->setObjectName(QStringLiteral("Password"));
    m_kind->addItem(QStringLiteral("Basic or Digest, as the page asks"));
    m_kind->addItem(QStringLiteral("A form or JSON posted, then a session cookie"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Login:"), m_kind);
    form->addRow(QStringLiteral("&User name:"), m_user);
    form->addRow(QStringLiteral("Pass&word:"), m_password);
    // The form's fields, as Modem.ini names them.
    m_contentType->setEditable(true);
    m_contentType->addItems({QStringLiteral("application/x-www-form-urlencoded"), QStringLiteral("application/json")});
    const std::pair<const char *, QWidget *> fields[] = {
        {"Login &page:", m_page},    {"To&ken pattern:", m_token},      {"P&ost to:", m_post},
        {"&Body:", m_body},          {"&Content type:", m_contentType}, {"Logged out &when:", m_loggedOut},
        {"Log&out page:", m_logout},
    };
    auto *formFields = new QFormLayout(m_formFields);
    formFields->setContentsMargins(0, 0, 0, 0);
    for (const auto &[label, field] : fields)
        formFields->addRow(QString::fromUtf8(label), field);
    m_page->setPlaceholderText(QStringLiteral("/login.html (optional: fetched first)"));
    m_token->setPlaceholderText(QStringLiteral("name=\"csrf\" value=\"([^\"]*)\" or a JSON pointer"));
    m_post->setPlaceholderText(QStringLiteral("/goform/login"));
    m_body->setPlaceholderText(QStringLiteral("username={user}&password={password}&csrf={token}"));
    m_loggedOut->setPlaceholderText(QStringLiteral("id=\"login-form\" (optional)"));
    m_logout->setPlaceholderText(QStringLiteral("/logout.html (optional)"));
    m_steps->setReadOnly(true);
    m_steps->setAccessibleName(QStringLiteral("Test steps"));
    m_steps->hide();
    m_buttons->addButton(m_test, QDialogButtonBox::ActionRole);
    auto *note = new QLabel(QStringLiteral("For a modem or router whose page asks for a login. The user name is kept "
                                           "in %1, readable by you alone, the password in your desktop's keyring; "
                                           "both are sent only to the modem's own address.")
                                .arg(ModemSettings::FileName),
                            this);
    note->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(m_formFields);
    layout->addWidget(m_steps);
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
    connect(m_kind, &QComboBox::currentIndexChanged, this, &LoginDialog::showKind);
    connect(m_test, &QPushButton::clicked, this, &LoginDialog::test);
    connect(m_check, &PageCheck::line, m_steps, &QPlainTextEdit::appendPlainText);
    connect(m_check, &PageCheck::finished, this, [this](bool reading) {
        m_test->setEnabled(true);
        m_steps->appendPlainText(reading ? QStringLiteral("A reading came: this login works.")
                                         : QStringLiteral("No reading came."));
    });
    showKind();
}

void LoginDialog::MenuLogin_Click()
{
    const ModemSettings &modem = m_monitor.modem();
    m_user->setText(modem.user);
    m_password->setText(modem.password);
    const talvor::FormLogin shown = modem.form.value_or(talvor::FormLogin{});
    m_kind->setCurrentIndex(modem.form ? 1 : 0);
    m_page->setText(shown.page);
    m_token->setText(shown.token);
    m_post->setText(shown.post);
    m_body->setText(shown.body);
    m_contentType->setCurrentText(shown.contentType);
    m_loggedOut->setText(shown.loggedOut);
    m_logout->setText(shown.logout);
    m_steps->clear();
    m_steps->hide();
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
    modem.form.reset();
    if (m_kind->currentIndex() == 1)
        modem.form = talvor::FormLogin{m_page->text().trimmed(),
                                       m_token->text().trimmed(),
                                       m_post->text().trimmed(),
                                       m_body->text().trimmed(),
                                       m_contentType->currentText().trimmed(),
                                       m_loggedOut->text().trimmed(),
                                       m_logout->text().trimmed()};
    return modem;
}

void LoginDialog::showKind()
{
    m_formFields->setVisible(m_kind->currentIndex() == 1);
    adjustSize();
}

void LoginDialog::test()
{
    const ModemSettings modem = fromBoxes();
    if (modem.form && modem.form->post.isEmpty()) {
        m_problem->setText(QStringLiteral("A form login needs the place it is posted to."));
        m_problem->show();
        return;
    }
    m_problem->hide();
    m_steps->clear();
    m_steps->show();
    m_test->setEnabled(false);
    m_check->start(m_monitor.request(), modem);
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
    if (modem.form && modem.form->post.isEmpty()) {
        m_problem->setText(QStringLiteral("A form login needs the place it is posted to."));
        m_problem->show();
        return;
    }
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
    m_monitor.setFormLogin(modem.form);
    accept();
}
