#pragma once

#include <QObject>

class Monitor;
class QComboBox;
class QLineEdit;

// The Options tab's "Reading" group: the rule that finds the reading in the
// page, and its pattern. A change reads the next page by the new rule, and is
// kept in Modem.ini once made (a rule chosen, the pattern left or entered),
// unless a new address waits to be saved: a rule belongs to the page it
// reads, so it then waits too, and is kept with the address. Talvor.ini is
// left as older copies know it.
class ReadingOptions : public QObject {
    Q_OBJECT
public:
    ReadingOptions(QComboBox *ReadingRule, QLineEdit *ReadingPattern, const QLineEdit *txtURL, Monitor &monitor,
                   QObject *parent = nullptr);
    // Shows the monitor's rule, as Modem.ini gave it, for the address shown.
    void ShowRule();
    // Writes what is shown, when it differs from what was last kept and the
    // address shown is the one saved.
    void keep();
    // The address shown is now the saved one.
    void addressSaved();

signals:
    // A line for the page view.
    void notice(const QString &text);

private:
    void apply();

    QComboBox *m_rule;
    QLineEdit *m_pattern;
    const QLineEdit *m_url;
    QString m_savedAddress;
    Monitor &m_monitor;
    bool m_unsaved = false;
};
