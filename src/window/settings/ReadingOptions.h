#pragma once

#include <QObject>

class Monitor;
class QComboBox;
class QLineEdit;

// The Options tab's "Reading" group: the rule that finds the reading in the
// page, and its pattern. A change reads the next page by the new rule, and is
// kept in Modem.ini once made (a rule chosen, the pattern left or entered);
// Talvor.ini is left as older copies know it.
class ReadingOptions : public QObject {
    Q_OBJECT
public:
    ReadingOptions(QComboBox *ReadingRule, QLineEdit *ReadingPattern, Monitor &monitor, QObject *parent = nullptr);
    // Shows the monitor's rule, as Modem.ini gave it.
    void ShowRule();
    // Writes what is shown, when it differs from what was last kept.
    void keep();

signals:
    // A line for the page view.
    void notice(const QString &text);

private:
    void apply();

    QComboBox *m_rule;
    QLineEdit *m_pattern;
    Monitor &m_monitor;
    bool m_unsaved = false;
};
