#pragma once

#include "core/reading/NamedValues.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace talvor {

// What Talvor shares with Prometheus, MQTT and `talvor --status`.
struct SharingState {
    std::optional<double> reading; // the last reading, none before the first
    QDateTime readingAt;
    bool stale = false; // the grey-icon state
    double threshold = 50;
    QString reason; // why the last poll gave no reading; empty when it gave one
    quint64 readings = 0;
    quint64 noReadings = 0;
    QStringList problems;            // Talvor's own troubles (record, sharing) until put right
    QString aimUrl;                  // the phone's aim page while it is served
    std::optional<QDateTime> paused; // polling paused until then (invalid: until resumed)
    QList<NamedValue> values;        // the named values of the last poll, in their order
};

// The Prometheus text exposition (version 0.0.4) of the state.
QByteArray metricsText(const SharingState &state, const QString &version);
// One JSON line: {"reading":57,"time":"…","stale":false,"threshold":50,"reason":""},
// with "values":{"esno":9.1,"rx":null} where named values are set.
QByteArray statusJson(const SharingState &state);
// A running copy's answer, fit to print: one JSON object, written again so
// that nothing it holds (a control character, an escape sequence) reaches
// the terminal raw; nothing when it is not such an object.
std::optional<QByteArray> printableStatus(const QByteArray &answer);

// Waybar's custom-module JSON for a running copy's status line (none when no
// copy runs): text, tooltip, class (ok, low, stale or stopped), percentage.
QByteArray waybarStatus(const std::optional<QByteArray> &status);

// "host:port" as a user writes it; nothing when it is not one.
struct Endpoint {
    QString host;
    quint16 port = 0;
};
std::optional<Endpoint> parseEndpoint(const QString &text);
// The part of MQTT topics and Home Assistant ids that names this Talvor: the
// host name in lower case, letters, digits, '-' and '_' only.
QString sharingId(const QString &hostName);

// Home Assistant discovery: the signal sensor and the modem's connectivity.
struct Discovery {
    QString topic;
    QByteArray config;
};
// The Talvor a device stands for: its instance id (topics, unique ids), the
// name Home Assistant shows, and how long a reading holds.
struct DiscoveryDevice {
    QString id;
    QString name;
    QString version;
    int pollSeconds = 5;
};
Discovery signalDiscovery(const QString &prefix, const QString &topic, const DiscoveryDevice &device);
Discovery modemDiscovery(const QString &prefix, const QString &topic, const DiscoveryDevice &device);
// A named value's sensor, under the same device; its state topic is
// valueTopic().
Discovery valueDiscovery(const QString &prefix, const QString &topic, const DiscoveryDevice &device,
                         const NamedValue &value);
QString valueConfigTopic(const QString &prefix, const QString &id, const QString &name);
QString valueTopic(const QString &base, const QString &name);
// The value a discovery config topic of this device is for; empty when it is not one.
QString valueOfConfigTopic(const QString &prefix, const QString &id, const QString &topic);
// The signal's state expires after three polls missed, never sooner than 30 s.
int expireAfterSeconds(int pollSeconds);

} // namespace talvor
