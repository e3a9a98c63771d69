#pragma once

#include "ToneOutput.h"
#include "core/aim/AimRules.h"
#include "monitor/sharing/AimServer.h"
#include "monitor/sharing/SharingSettings.h"

#include <QDialog>
#include <QTimer>

class Monitor;
class AimGauge;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

// "Aim the Dish": the reading as large as the window allows, the peak and
// the lowest since the reset, the trend, a gauge with the threshold, a tone
// whose pitch follows the reading, and the same on a phone at the dish.
// While it is open the monitor polls at the aim interval; closing it hands
// polling back to the monitor's own schedule, and neither counts as a
// change of settings.
class AimView : public QDialog {
    Q_OBJECT
public:
    AimView(Monitor &monitor, double threshold, QWidget *parent = nullptr);
    ~AimView() override;

    void setThreshold(double threshold);
    // Serves the phone page (the user's act: the box, or --aim --phone).
    void setPhone(bool on);
    void reset();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reading(double value, const QDateTime &at);
    void noReading(const QString &reason);
    void showFigures();
    void fitNumber();
    // What the phone page shows, when it is served.
    void publish();
    // How old the last reading is while a request holds polling up.
    std::optional<int> waitingSeconds() const;
    void startPhone();
    void setTone(bool on);
    void saveSettings();

    Monitor &m_monitor;
    talvor::AimTrack m_track;
    double m_threshold;
    SharingSettings m_settings;
    AimServer m_server;
    ToneOutput m_tone;
    bool m_aiming = false;
    QDateTime m_readingAt;
    QTimer m_age;

    QLabel *m_number;
    QLabel *m_trend;
    QLabel *m_peak;
    QLabel *m_lowest;
    QLabel *m_why; // under the number: why there is none
    AimGauge *m_gauge;
    QDoubleSpinBox *m_interval;
    QCheckBox *m_toneBox;
    QSpinBox *m_floor;
    QCheckBox *m_phoneBox;
    QComboBox *m_address;
    QLabel *m_url;
    QLabel *m_qr;
    QLabel *m_problem;
};
