#pragma once

#include "MetricsServer.h"
#include "MqttPublisher.h"
#include "SharingSettings.h"
#include "core/SharingRules.h"

#include <QObject>

class CrlfTextView;
class QAction;
class QLineEdit;
class QWidget;
class SharingDialog;

// The controls sharing reads and reports to.
struct SharingControls {
    QLineEdit *ssThreshold;
    CrlfTextView *Info_HTML;
    QAction *MenuSharing;
    QWidget *window; // the dialog's parent
};

// Shares what each poll gave: /metrics for Prometheus, MQTT with Home
// Assistant discovery, and the one-line status for `talvor --status`. It
// listens to the poll announcements and never stands in the way of a poll.
class SharingHub : public QObject {
    Q_OBJECT
public:
    explicit SharingHub(const SharingControls &controls, QObject *parent = nullptr);
    ~SharingHub() override;

    // Reads Sharing.ini and starts what it asks for.
    void apply(const SharingSettings &settings);

    void reading(double value, double threshold, const QDateTime &at);
    void noReading(const QString &reason, const QDateTime &at);
    void staleChanged(bool stale);

    QByteArray statusJson() const { return talvor::statusJson(m_state); }

signals:
    // The status line changed: the running copy answers --status with it.
    void statusChanged(const QByteArray &json);

private:
    void changed();
    void report(const QString &text);
    void publishDiscovery();
    QString base() const;

    SharingControls m_c;
    SharingSettings m_settings;
    talvor::SharingState m_state;
    MetricsServer m_metrics;
    MqttPublisher m_mqtt;
    QString m_id;
    QStringList m_problems;
    SharingDialog *m_dialog = nullptr;
};
