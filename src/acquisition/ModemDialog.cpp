#include "ModemDialog.h"

#include "monitor/Monitor.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

ModemDialog::ModemDialog(QAction *MenuModem, Monitor &monitor, QWidget *parent)
    : QDialog(parent)
    , m_monitor(monitor)
    , m_rule(new QComboBox(this))
    , m_pattern(new QLineEdit(this))
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_problem(new QLabel(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("ModemDialog"));
    setWindowTitle(QStringLiteral("Other Modem"));
    const QList<std::pair<talvor::ReadingRule::Kind, QString>> rules{
        {talvor::ReadingRule::Three, QStringLiteral("The three characters after the search text")},
        {talvor::ReadingRule::Number, QStringLiteral("The whole number after the search text (a sign, decimals)")},
        {talvor::ReadingRule::Regex, QStringLiteral("A regular expression whose first group is the number")},
        {talvor::ReadingRule::Json, QStringLiteral("A JSON pointer, such as /signal/snr")},
    };
    for (const auto &[kind, words] : rules)
        m_rule->addItem(words, int(kind));
    m_pattern->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 32);
    m_password->setEchoMode(QLineEdit::Password);
    m_problem->setWordWrap(true);
    m_problem->hide();
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Reading:"), m_rule);
    form->addRow(QStringLiteral("&Pattern:"), m_pattern);
    form->addRow(QStringLiteral("&User name:"), m_user);
    form->addRow(QStringLiteral("Pass&word:"), m_password);
    auto *note = new QLabel(QStringLiteral("For modems and routers whose page is not the satellite modem's. Kept in "
                                           "%1, readable by you alone, the password in your desktop's keyring; it "
                                           "is sent only to the modem's own address.")
                                .arg(ModemSettings::FileName),
                            this);
    note->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &ModemDialog::save);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&m_keyring, &ModemKeyring::stored, this, &ModemDialog::keep);
    connect(&m_keyring, &ModemKeyring::fetched, this, [this](const QString &password, const QString &error) {
        if (!error.isEmpty()) {
            emit notice(QStringLiteral("The modem's password could not be read from the keyring: %1").arg(error));
            return;
        }
        ModemSettings modem = m_monitor.modem();
        modem.password = password;
        modem.notes.clear();
        m_monitor.setModem(modem);
    });
    connect(m_rule, &QComboBox::currentIndexChanged, this, &ModemDialog::showRule);
    connect(MenuModem, &QAction::triggered, this, &ModemDialog::MenuModem_Click);
}

void ModemDialog::MenuModem_Click()
{
    const ModemSettings &modem = m_monitor.modem();
    m_rule->setCurrentIndex(m_rule->findData(int(modem.rule.kind)));
    m_pattern->setText(modem.rule.pattern);
    m_user->setText(modem.user);
    m_password->setText(modem.password);
    m_problem->hide();
    showRule();
    // Not exec(): the window and the polls go on while it is open.
    open();
}

void ModemDialog::showRule()
{
    const auto kind = talvor::ReadingRule::Kind(m_rule->currentData().toInt());
    m_pattern->setEnabled(kind == talvor::ReadingRule::Regex || kind == talvor::ReadingRule::Json);
}

ModemSettings ModemDialog::fromBoxes() const
{
    ModemSettings modem;
    modem.rule = {talvor::ReadingRule::Kind(m_rule->currentData().toInt()), m_pattern->text()};
    modem.user = m_user->text();
    modem.password = m_password->text();
    return modem;
}

void ModemDialog::fetchPassword()
{
    const ModemSettings &modem = m_monitor.modem();
    if (!modem.user.isEmpty() && modem.password.isEmpty())
        m_keyring.fetch(modem.user);
}

void ModemDialog::save()
{
    const ModemSettings modem = fromBoxes();
    if (modem.user.isEmpty() || modem.password.isEmpty())
        return keep(QStringLiteral("no password to keep"));
    // The keyring answers later; the dialog waits for it.
    m_buttons->setEnabled(false);
    m_keyring.store(modem.user, modem.password);
}

void ModemDialog::keep(const QString &keyringError)
{
    m_buttons->setEnabled(true);
    const ModemSettings modem = fromBoxes();
    ModemSettings file = modem;
    if (keyringError.isEmpty())
        file.password.clear();
    // Kept open while something is wrong, so it can be put right.
    if (const QString error = file.save(); !error.isEmpty()) {
        m_problem->setText(error);
        m_problem->show();
        return;
    }
    if (!keyringError.isEmpty() && !modem.password.isEmpty())
        emit notice(QStringLiteral("No keyring answered (%1): the modem's password is kept in %2, readable by you "
                                   "alone.")
                        .arg(keyringError, ModemSettings::FileName));
    m_monitor.setModem(modem);
    accept();
}
