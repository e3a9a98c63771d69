#include "SharingDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLineEdit *field(QWidget *parent, const QString &example)
{
    auto *edit = new QLineEdit(parent);
    edit->setPlaceholderText(example);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0")) * 24);
    return edit;
}
} // namespace

SharingDialog::SharingDialog(QWidget *parent)
    : QDialog(parent)
    , m_listen(field(this, QStringLiteral("127.0.0.1:9771")))
    , m_broker(field(this, QStringLiteral("127.0.0.1:1883")))
    , m_user(field(this, QString()))
    , m_password(field(this, QString()))
    , m_topic(field(this, QStringLiteral("talvor")))
    , m_discovery(field(this, QStringLiteral("homeassistant")))
    , m_problems(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Sharing"));
    m_password->setEchoMode(QLineEdit::Password);
    auto *intro = new QLabel(QStringLiteral("Leave a field empty to keep that kind of sharing off. The settings are "
                                            "kept in Sharing.ini, readable by you alone."),
                             this);
    intro->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Prometheus metrics, listen on:"), m_listen);
    form->addRow(QStringLiteral("MQTT broker:"), m_broker);
    form->addRow(QStringLiteral("MQTT user:"), m_user);
    form->addRow(QStringLiteral("MQTT password:"), m_password);
    form->addRow(QStringLiteral("MQTT topic:"), m_topic);
    form->addRow(QStringLiteral("Home Assistant discovery prefix:"), m_discovery);
    m_problems->setWordWrap(true);
    m_problems->setTextFormat(Qt::PlainText);
    m_problems->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SharingDialog::saveRequested);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_problems);
    layout->addWidget(buttons);
}

void SharingDialog::setSettings(const SharingSettings &s)
{
    m_listen->setText(s.listen);
    m_broker->setText(s.broker);
    m_user->setText(s.user);
    m_password->setText(s.password);
    m_topic->setText(s.topic);
    m_discovery->setText(s.discovery);
}

SharingSettings SharingDialog::settings() const
{
    SharingSettings s;
    s.listen = m_listen->text().trimmed();
    s.broker = m_broker->text().trimmed();
    s.user = m_user->text();
    s.password = m_password->text();
    s.topic = m_topic->text().trimmed();
    s.discovery = m_discovery->text().trimmed();
    return s;
}

void SharingDialog::showProblems(const QStringList &problems)
{
    m_problems->setText(problems.join(u'\n'));
    m_problems->setVisible(!problems.isEmpty());
}
