#pragma once

#include "ReadingHistory.h"

#include <QObject>
#include <functional>

struct FormState;
struct FormControls;

// The readings of this run and the histogram that draws them: the history
// length and threshold boxes correct themselves, every reading refills the
// whole chart.
class History : public QObject {
    Q_OBJECT
public:
    History(FormState &form, const FormControls &controls, std::function<void(qint16)> markChanged,
            QObject *parent = nullptr);

    void UpdateData();
    void FillChart();
    void SShistoryLen_Change();
    void ssThreshold_Change();

    const ReadingHistory &SS_History() const { return m_history; }
    // Refreshes the tray icon with the reading rounded to a whole number.
    std::function<void(qint16 &)> UpdateTrayIcon;

private:
    FormState &m_form;
    const FormControls &m_c;
    std::function<void(qint16)> m_markChanged;
    ReadingHistory m_history;
};
