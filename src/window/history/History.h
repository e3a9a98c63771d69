#pragma once

#include "core/reading/ReadingHistory.h"
#include "window/form/FormPart.h"

#include <QElapsedTimer>
#include <QList>
#include <QTime>
#include <QTimer>

#include <functional>
#include <optional>

namespace talvor {
struct FormState;
}
class HistogramChart;
class QCheckBox;
class QLabel;
class QLineEdit;

// The controls the history reads and sets.
struct HistoryControls {
    QLabel *Talvor;
    QLineEdit *SShistoryLen;
    QLineEdit *ssThreshold;
    QCheckBox *ShowInSystemTray;
    HistogramChart *MSChart1;
};

// The readings of this run and the histogram that draws them: the history
// length and threshold boxes correct themselves, every reading refills the
// whole chart.
class History : public FormPart {
    Q_OBJECT
public:
    History(talvor::FormState &form, const HistoryControls &controls, QObject *parent = nullptr);

    void UpdateData();
    void FillChart();
    void SShistoryLen_Change();
    void ssThreshold_Change();
    // Before the first reading, the chart says why there is none.
    void noReadingYet(const QString &reason);

    const talvor::ReadingHistory &SS_History() const { return m_history; }

signals:
    // The tray icon is to show this reading, rounded to a whole number.
    void trayIconDue(qint16 value);
    // The threshold box holds a new number: the one place others learn it.
    void thresholdChanged(double threshold);

private:
    // "min 31 avg 54.9 max 73 ..." of the readings the chart's rows hold.
    QString figuresText(double threshold) const;
    // The threshold line and the figures line, as the last fill drew them.
    void showFigures(double threshold);
    void describeChart();

    talvor::FormState &m_form;
    HistoryControls m_c;
    talvor::ReadingHistory m_history;
    // Readings that the values typed so far in the current edit of the
    // history length trimmed away: a later value of the same edit takes them
    // back, so typing "200" over "1000" never passes through keeping 2.
    QList<QString> m_trimmedInEdit;
    bool m_editing = false;
    std::optional<double> m_filledThreshold; // of the last fill, none before it
    QString m_figures;                       // shown on the chart now
    QString m_lastReading;
    QTime m_lastReadingAt;
    QElapsedTimer m_describedAt;
    QTimer m_describeLater;
};
