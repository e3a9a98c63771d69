#pragma once

#include "core/reading/NamedValues.h"

#include <QDialog>

#include <optional>

class Monitor;
class PageCheck;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Values…" in the Reading group: the named values read from the same page
// as the reading (a row each: name, label, unit, rule, pattern, threshold),
// with a Test that polls once and shows what each reads. Save keeps them in
// Modem.ini and hands them to the monitor at once.
class ValuesDialog : public QDialog {
    Q_OBJECT
public:
    ValuesDialog(QPushButton *ModemValues, Monitor &monitor, QWidget *parent = nullptr);

private:
    void ModemValues_Click();
    void addRow(const QStringList &cells);
    // The rows as rules; a row that is not one is said in the dialog.
    std::optional<QList<talvor::ValueRule>> rules();
    void test();
    void save();

    Monitor &m_monitor;
    QTableWidget *m_table;
    QPlainTextEdit *m_steps;
    QLabel *m_problem;
    QPushButton *m_test;
    PageCheck *m_check;
};
