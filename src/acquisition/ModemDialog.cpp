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
                                           "%1, readable by you alone; the password is sent only to the modem's "
                                           "own address.")
                                .arg(ModemSettings::FileName),
                            this);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ModemDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
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

void ModemDialog::save()
{
    ModemSettings modem;
    modem.rule = {talvor::ReadingRule::Kind(m_rule->currentData().toInt()), m_pattern->text()};
    modem.user = m_user->text();
    modem.password = m_password->text();
    // Kept open while something is wrong, so it can be put right.
    if (const QString error = modem.save(); !error.isEmpty()) {
        m_problem->setText(error);
        m_problem->show();
        return;
    }
    m_monitor.setModem(modem);
    accept();
}
