#pragma once

#include "core/SharingRules.h"
#include "monitor/MetricsServer.h"
#include "monitor/MqttPublisher.h"
#include "monitor/SharingSettings.h"

#include <QMap>
#include <QObject>
#include <QTimer>

class CrlfTextView;
class QAction;
class QWidget;
class SharingDialog;

// The controls sharing reads and reports to.
struct SharingControls {
    CrlfTextView *Info_HTML;
    QAction *MenuSharing;
    QWidget *window;         // the dialog's parent
    const QTimer *AutoCheck; // how often readings come, for Home Assistant
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
    void setThreshold(double threshold);
    // Talvor's own troubles, for --status.
    void setProblems(const QStringList &problems);

    QByteArray statusJson() const { return talvor::statusJson(m_state); }

signals:
    // The status line changed: the running copy answers --status with it.
    void statusChanged(const QByteArray &json);
    // A part of sharing ("metrics", "MQTT") has a problem, or none (empty).
    void problemChanged(const QString &part, const QString &text);

private:
    void changed();
    void report(const QString &part, const QString &text);
    // Saves what the dialog holds and applies it; the dialog closes once the
    // broker, if one is set, has said yes.
    void saveFromDialog();
    void brokerAnswered();
    void publishDiscovery();
    QString base() const;
    QString topicRoot() const;
    // Gives this copy an instance id the first time it speaks MQTT.
    SharingSettings withInstance(SharingSettings settings);

    SharingControls m_c;
    SharingSettings m_settings;
    talvor::SharingState m_state;
    MetricsServer m_metrics;
    MqttPublisher m_mqtt;
    // Topics named after the host by Talvor before copies had their own id,
    // taken off the broker at the next connection.
    QString m_hostId;
    bool m_clearHostTopics = false;
    QMap<QString, QString> m_problems; // by part
    SharingDialog *m_dialog = nullptr;
    bool m_awaitingBroker = false; // the dialog waits for the broker's answer
    QTimer m_brokerPatience;
};
