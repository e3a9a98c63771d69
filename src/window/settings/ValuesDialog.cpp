#include "ValuesDialog.h"

#include "core/reading/Numbers.h"
#include "monitor/Monitor.h"
#include "monitor/fetch/PageCheck.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { Name, Label, Unit, Rule, Pattern, Threshold, Columns };
} // namespace

ValuesDialog::ValuesDialog(QPushButton *ModemValues, Monitor &monitor, QWidget *parent)
    : QDialog(parent)
    , m_monitor(monitor)
    , m_table(new QTableWidget(0, Columns, this))
    , m_steps(new QPlainTextEdit(this))
    , m_problem(new QLabel(this))
    , m_test(new QPushButton(QStringLiteral("&Test"), this))
    , m_check(new PageCheck(this))
{
    setObjectName(QStringLiteral("ValuesDialog"));
    setWindowTitle(QStringLiteral("Values"));
    auto *note = new QLabel(QStringLiteral("More numbers from the same page, each found by its own rule: kept in the "
                                           "record, shared and watched like the reading. Names are letters, digits "
                                           "and _; the pattern is the search text for number, the expression for "
                                           "regex and the pointer for json. A value at or below its threshold is "
                                           "low."),
                            this);
    note->setWordWrap(true);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Label"), QStringLiteral("Unit"),
                                        QStringLiteral("Rule"), QStringLiteral("Pattern"),
                                        QStringLiteral("Threshold")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(Pattern, QHeaderView::Stretch);
    m_table->setAccessibleName(QStringLiteral("Values"));
    m_table->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 70);
    m_steps->setReadOnly(true);
    m_steps->setAccessibleName(QStringLiteral("Test steps"));
    m_steps->hide();
    m_problem->setWordWrap(true);
    m_problem->hide();
    auto *add = new QPushButton(QStringLiteral("&Add"), this);
    auto *remove = new QPushButton(QStringLiteral("&Remove"), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->addButton(add, QDialogButtonBox::ActionRole);
    buttons->addButton(remove, QDialogButtonBox::ActionRole);
    buttons->addButton(m_test, QDialogButtonBox::ActionRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_steps, 1);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    connect(add, &QPushButton::clicked, this, [this] {
        addRow({});
        m_table->setCurrentCell(m_table->rowCount() - 1, Name);
        m_table->editItem(m_table->item(m_table->rowCount() - 1, Name));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_table->currentRow() >= 0)
            m_table->removeRow(m_table->currentRow());
    });
    connect(m_test, &QPushButton::clicked, this, &ValuesDialog::test);
    connect(buttons, &QDialogButtonBox::accepted, this, &ValuesDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_check, &PageCheck::line, m_steps, &QPlainTextEdit::appendPlainText);
    connect(m_check, &PageCheck::finished, this, [this] { m_test->setEnabled(true); });
    connect(ModemValues, &QPushButton::clicked, this, &ValuesDialog::ModemValues_Click);
}

void ValuesDialog::ModemValues_Click()
{
    m_table->setRowCount(0);
    for (const talvor::ValueRule &v : m_monitor.modem().values)
        addRow({v.name, v.label, v.unit, talvor::readingRuleName(v.rule.kind),
                v.rule.usesPattern() ? v.rule.pattern : v.searchText,
                v.threshold ? talvor::shortestText(*v.threshold) : QString()});
    m_problem->hide();
    m_steps->clear();
    m_steps->hide();
    open();
}

void ValuesDialog::addRow(const QStringList &cells)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    for (int column = 0; column < Columns; ++column)
        if (column != Rule)
            m_table->setItem(row, column, new QTableWidgetItem(cells.value(column)));
    auto *rule = new QComboBox(m_table);
    for (const auto kind : {talvor::ReadingRule::Number, talvor::ReadingRule::Regex, talvor::ReadingRule::Json,
                            talvor::ReadingRule::Three})
        rule->addItem(talvor::readingRuleName(kind));
    rule->setCurrentText(cells.value(Rule, QStringLiteral("json")).isEmpty() ? QStringLiteral("json")
                                                                             : cells.value(Rule));
    rule->setAccessibleName(QStringLiteral("Rule"));
    m_table->setCellWidget(row, Rule, rule);
}

std::optional<QList<talvor::ValueRule>> ValuesDialog::rules()
{
    QList<talvor::ValueRule> rules;
    QStringList problems;
    const auto text = [this](int row, int column) {
        const QTableWidgetItem *item = m_table->item(row, column);
        return item ? item->text().trimmed() : QString();
    };
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const auto *rule = qobject_cast<const QComboBox *>(m_table->cellWidget(row, Rule));
        const talvor::ValueRuleRead read =
            talvor::valueRule(text(row, Name), text(row, Label), text(row, Unit),
                              rule ? rule->currentText() : QString(), text(row, Pattern), text(row, Threshold));
        const bool twice = std::any_of(rules.begin(), rules.end(),
                                       [&](const talvor::ValueRule &v) { return v.name == text(row, Name); });
        if (!read.rule)
            problems << read.problem;
        else if (twice)
            problems << QStringLiteral("The value %1 is named twice.").arg(text(row, Name));
        else
            rules << *read.rule;
    }
    m_problem->setText(problems.join(u'\n'));
    m_problem->setVisible(!problems.isEmpty());
    if (!problems.isEmpty())
        return std::nullopt;
    return rules;
}

void ValuesDialog::test()
{
    const auto values = rules();
    if (!values)
        return;
    PageFetch::Request request = m_monitor.request();
    request.values = *values;
    m_steps->clear();
    m_steps->show();
    m_test->setEnabled(false);
    m_check->start(request, m_monitor.modem());
}

void ValuesDialog::save()
{
    const auto values = rules();
    if (!values)
        return;
    ModemSettings modem = m_monitor.modem();
    modem.values = *values;
    // Kept open while the file cannot be written, so nothing typed is lost.
    if (const QString error = modem.saveValues(); !error.isEmpty()) {
        m_problem->setText(error);
        m_problem->show();
        return;
    }
    m_monitor.setValues(*values);
    accept();
}
