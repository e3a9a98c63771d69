#include "History.h"

#include "HistogramChart.h"
#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"
#include "core/settings/ChangeCodes.h"
#include "core/settings/FormState.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {
// Odd rows get seven blanks after their label, so neighbouring labels stand apart.
const QString OddLabelPadding = QStringLiteral("       ");
} // namespace

History::History(talvor::FormState &form, const HistoryControls &controls, QObject *parent)
    : FormPart(parent)
    , m_form(form)
    , m_c(controls)
{
    connect(m_c.SShistoryLen, &QLineEdit::textEdited, this, [this] { m_editing = true; });
    connect(m_c.SShistoryLen, &QLineEdit::editingFinished, this, [this] {
        m_editing = false;
        m_trimmedInEdit.clear();
    });
    connect(m_c.SShistoryLen, &QLineEdit::textChanged, this, &History::SShistoryLen_Change);
    connect(m_c.ssThreshold, &QLineEdit::textChanged, this, &History::ssThreshold_Change);
    m_c.MSChart1->setPlaceholder(QStringLiteral(
        "No reading yet: set your modem's address and the text before its signal value on the Options tab"));
    m_describeLater.setSingleShot(true);
    connect(&m_describeLater, &QTimer::timeout, this, &History::describeChart);
}

void History::noReadingYet(const QString &reason)
{
    if (!m_filledThreshold)
        m_c.MSChart1->setPlaceholder(QStringLiteral("No reading yet: %1").arg(reason));
}

void History::describeChart()
{
    // What a screen reader says of the chart: the text equivalent of the bars.
    m_describedAt.start();
    m_c.MSChart1->setAccessibleDescription(
        QStringLiteral("Last reading %1 at %2; %3")
            .arg(m_lastReading, m_lastReadingAt.toString(QStringLiteral("HH:mm:ss")), m_figures.simplified()));
}

void History::UpdateData()
{
    const QString reading = m_c.Talvor->text();
    m_history.append(reading);
    m_lastReading = reading;
    m_lastReadingAt = QTime::currentTime();
    if (m_c.ShowInSystemTray->isChecked() || m_form.InTray)
        emit trayIconDue(talvor::toInt16Clamped(talvor::leadingNumber(reading)));
    if (m_history.count() == m_c.MSChart1->rowCount() + 1)
        m_history.removeOldest();
}

void History::FillChart()
{
    HistogramChart &chart = *m_c.MSChart1;
    // The threshold box always holds a number once its handler has run.
    const double threshold = talvor::leadingNumber(m_c.ssThreshold->text());
    const QString zero = QStringLiteral("0");
    for (int r = 1; r <= chart.rowCount(); ++r) {
        chart.setRow(r);
        const QString reading = m_history.at(r - 1);
        const double value = talvor::leadingNumber(reading);
        const bool above = !talvor::belowThreshold(value, threshold);
        chart.setColumn(1);
        chart.setData(above ? reading : zero);
        chart.setColumn(2);
        chart.setData(above ? zero : reading);
        // A green bar's 0 says "above the threshold"; for a reading below
        // zero it would read as a value, so such a bar carries its reading.
        const QString label = value < 0 ? reading : chart.data();
        chart.setRowLabel(r % 2 == 0 ? label : label + OddLabelPadding);
    }
    chart.setPlaceholder(QString());
    showFigures(threshold);
    // Assistive technology hears of the chart at most once a second.
    if (!m_describedAt.isValid() || m_describedAt.elapsed() >= 1000)
        describeChart();
    else if (!m_describeLater.isActive())
        m_describeLater.start(int(1000 - m_describedAt.elapsed()));
}

void History::showFigures(double threshold)
{
    m_filledThreshold = threshold;
    m_figures = figuresText(threshold);
    m_c.MSChart1->setThresholdLine(threshold, m_figures);
}

QString History::figuresText(double threshold) const
{
    talvor::ChartFigures figures(threshold);
    for (int r = 0; r < m_c.MSChart1->rowCount(); ++r) {
        if (const QString reading = m_history.at(r); !reading.isEmpty())
            figures.add(talvor::leadingNumber(reading));
    }
    return figures.text();
}

void History::SShistoryLen_Change()
{
    QLineEdit &box = *m_c.SShistoryLen;
    // Each correction changes the text, which runs this handler again on the
    // corrected text; that run does the rest.
    if (box.text().isEmpty())
        return box.setText(QStringLiteral("0"));
    if (!talvor::isNumericText(box.text()))
        return box.setText(QStringLiteral("100"));
    const double value = talvor::leadingNumber(box.text());
    if (value > 1000)
        return box.setText(QStringLiteral("1000"));
    if (value < 0)
        return box.setText(QStringLiteral("0"));
    // 0, and anything that rounds to 0, leaves the chart as it is.
    const int rows = int(talvor::roundHalfEven(value));
    if (rows >= 1)
        m_c.MSChart1->setRowCount(rows);
    if (m_editing) {
        m_history.restoreOlder(m_trimmedInEdit, m_c.MSChart1->rowCount());
        m_history.keepNewest(m_c.MSChart1->rowCount(), &m_trimmedInEdit);
    } else {
        m_history.keepNewest(m_c.MSChart1->rowCount());
    }
    // The bars wait for the next reading; the figures describe what is kept now.
    if (m_filledThreshold)
        showFigures(*m_filledThreshold);
    emit settingsChanged(talvor::HistoryLengthChanged);
}

void History::ssThreshold_Change()
{
    QLineEdit &box = *m_c.ssThreshold;
    if (box.text().isEmpty())
        return box.setText(QStringLiteral("0"));
    if (!talvor::isNumericText(box.text()))
        return box.setText(QStringLiteral("50"));
    // The bars keep their colours until the next reading refills the chart.
    emit thresholdChanged(talvor::leadingNumber(box.text()));
    emit settingsChanged(talvor::ThresholdChanged);
}
