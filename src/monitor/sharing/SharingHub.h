#pragma once

#include "MetricsServer.h"
#include "MqttLink.h"
#include "SharingSettings.h"
#include "core/sharing/SharingRules.h"

#include <QMap>
#include <QObject>
#include <QTimer>

// Shares what each poll gave: /metrics for Prometheus, MQTT with Home
// Assistant discovery, and the one-line status for `talvor --status`. It
// listens to the poll announcements and never stands in the way of a poll.
class SharingHub : public QObject {
    Q_OBJECT
public:
    // The poll timer says how often readings come, for Home Assistant.
    explicit SharingHub(QObject *parent = nullptr);
    ~SharingHub() override;

    // Reads Sharing.ini and starts what it asks for.
    void apply(const SharingSettings &settings);

    void reading(double value, double threshold, const QDateTime &at);
    void noReading(const QString &reason, const QDateTime &at);
    // The named values set (each gets its sensor) and what a poll gave.
    void setValues(const QList<talvor::ValueRule> &rules);
    void values(const QList<talvor::NamedValue> &values, const QDateTime &at);
    void staleChanged(bool stale);
    void setThreshold(double threshold);
    // The set interval between polls (not a back-off's or the aim view's):
    // Home Assistant's sensor expires after three of them.
    void setPollSeconds(int seconds);
    // Talvor's own troubles, for --status.
    void setProblems(const QStringList &problems);
    // The phone's aim page, for --status; empty when none is served.
    void setAimUrl(const QString &url);
    void setPaused(std::optional<QDateTime> until);

    QByteArray statusJson() const { return talvor::statusJson(m_state); }
    const SharingSettings &settings() const { return m_settings; }
    // What is wrong now, part by part.
    QStringList problems() const { return m_problems.values(); }
    // A broker was just set and has not yet said yes or no.
    bool awaitingBroker() const { return m_mqtt.isStarting(); }

signals:
    // The status line changed: the running copy answers --status with it.
    void statusChanged(const QByteArray &json);
    // A part of sharing ("metrics", "MQTT") has a problem, or none (empty).
    void problemChanged(const QString &part, const QString &text);
    // The broker said yes or no, or a part reported on its settings.
    void brokerAnswered();
    // A line for the page view.
    void notice(const QString &text);

private:
    void changed();
    void report(const QString &part, const QString &text);
    void publishDiscovery();
    QString base() const;
    QString topicRoot() const;
    // Takes a value's state and sensor off the broker.
    void clearValue(const QString &name);
    // Gives this copy an instance id the first time it speaks MQTT.
    SharingSettings withInstance(SharingSettings settings);

    int m_pollSeconds = 5;
    SharingSettings m_settings;
    talvor::SharingState m_state;
    MetricsServer m_metrics;
    MqttLink m_mqtt;
    // Topics named after the host by Talvor before copies had their own id,
    // taken off the broker at the next connection.
    QString m_hostId;
    bool m_clearHostTopics = false;
    QMap<QString, QString> m_problems; // by part
    QTimer m_brokerPatience;
};
