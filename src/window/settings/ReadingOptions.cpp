#include "ReadingOptions.h"

#include "monitor/Monitor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

ReadingOptions::ReadingOptions(QComboBox *ReadingRule, QLineEdit *ReadingPattern, const QLineEdit *txtURL,
                               Monitor &monitor, QObject *parent)
    : QObject(parent)
    , m_rule(ReadingRule)
    , m_pattern(ReadingPattern)
    , m_url(txtURL)
    , m_monitor(monitor)
{
    connect(m_rule, &QComboBox::currentIndexChanged, this, [this] {
        apply();
        keep();
    });
    // Each key reads the next page by the pattern as it stands; the file is
    // written once the box is left.
    connect(m_pattern, &QLineEdit::textChanged, this, &ReadingOptions::apply);
    connect(m_pattern, &QLineEdit::editingFinished, this, &ReadingOptions::keep);
}

void ReadingOptions::ShowRule()
{
    const talvor::ReadingRule &rule = m_monitor.modem().rule;
    {
        const QSignalBlocker quietRule(m_rule);
        const QSignalBlocker quietPattern(m_pattern);
        m_rule->setCurrentIndex(m_rule->findData(int(rule.kind)));
        m_pattern->setText(rule.pattern);
    }
    m_pattern->setEnabled(rule.usesPattern());
    m_unsaved = false;
    m_savedAddress = m_url->text();
}

void ReadingOptions::apply()
{
    const talvor::ReadingRule rule{talvor::ReadingRule::Kind(m_rule->currentData().toInt()), m_pattern->text()};
    m_monitor.setReadingRule(rule);
    m_pattern->setEnabled(rule.usesPattern());
    m_unsaved = true;
}

void ReadingOptions::keep()
{
    if (!m_unsaved || m_url->text() != m_savedAddress)
        return;
    m_unsaved = false;
    if (const QString error = m_monitor.modem().saveReading(); !error.isEmpty())
        emit notice(QStringLiteral("The reading rule is used but not kept: %1").arg(error));
}

void ReadingOptions::addressSaved()
{
    m_savedAddress = m_url->text();
    keep();
}
