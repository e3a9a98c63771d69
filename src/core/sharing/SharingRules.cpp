#include "SharingRules.h"

#include "core/reading/Numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace talvor {

namespace {

QByteArray number(double value)
{
    return shortestText(value).toLatin1();
}

void metric(QByteArray &out, const char *name, const char *type, const char *help)
{
    out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

QJsonObject deviceObject(const DiscoveryDevice &d)
{
    return {{QStringLiteral("identifiers"), QJsonArray{QStringLiteral("talvor_") + d.id}},
            {QStringLiteral("name"), d.name},
            {QStringLiteral("manufacturer"), QStringLiteral("Talvor")},
            {QStringLiteral("model"), QStringLiteral("Signal strength monitor")},
            {QStringLiteral("sw_version"), d.version}};
}

// What published the config, for Home Assistant's logs.
QJsonObject origin(const DiscoveryDevice &d)
{
    return {{QStringLiteral("name"), QStringLiteral("Talvor")}, {QStringLiteral("sw_version"), d.version}};
}

// A Prometheus label value: backslash, quote and line end escaped.
QByteArray labelValue(const QString &text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

} // namespace

QByteArray metricsText(const SharingState &s, const QString &version)
{
    QByteArray out;
    metric(out, "talvor_signal_strength", "gauge", "The last signal strength read from the modem's status page.");
    if (s.reading)
        out += "talvor_signal_strength " + number(*s.reading) + '\n';
    metric(out, "talvor_signal_threshold", "gauge", "Readings at or below this count as low.");
    out += "talvor_signal_threshold " + number(s.threshold) + '\n';
    metric(out, "talvor_last_reading_timestamp_seconds", "gauge", "When the last reading came, in Unix time.");
    if (s.reading)
        out += "talvor_last_reading_timestamp_seconds " + QByteArray::number(s.readingAt.toSecsSinceEpoch()) + '\n';
    metric(out, "talvor_stale", "gauge", "1 while polls have given no reading three times in a row, else 0.");
    out += QByteArray("talvor_stale ") + (s.stale ? "1" : "0") + '\n';
    metric(out, "talvor_polls_total", "counter", "Polls of the modem's status page, by what they gave.");
    out += "talvor_polls_total{result=\"reading\"} " + QByteArray::number(s.readings) + '\n';
    out += "talvor_polls_total{result=\"no_reading\"} " + QByteArray::number(s.noReadings) + '\n';
    if (!s.values.isEmpty()) {
        metric(out, "talvor_value", "gauge", "A named value read from the modem's status page.");
        for (const NamedValue &v : s.values)
            if (v.value)
                out += "talvor_value{name=\"" + v.name.toLatin1() + "\",unit=\"" + labelValue(v.unit) + "\"} "
                    + number(*v.value) + '\n';
        metric(out, "talvor_value_threshold", "gauge", "A named value at or below this counts as low.");
        for (const NamedValue &v : s.values)
            if (v.threshold)
                out += "talvor_value_threshold{name=\"" + v.name.toLatin1() + "\"} " + number(*v.threshold) + '\n';
    }
    metric(out, "talvor_build_info", "gauge", "The version of Talvor that serves these figures.");
    out += "talvor_build_info{version=\"" + version.toLatin1() + "\"} 1\n";
    return out;
}

QByteArray statusJson(const SharingState &s)
{
    QJsonObject o;
    o.insert(QStringLiteral("reading"), s.reading ? QJsonValue(*s.reading) : QJsonValue());
    o.insert(QStringLiteral("time"),
             s.reading ? QJsonValue(s.readingAt.toOffsetFromUtc(s.readingAt.offsetFromUtc()).toString(Qt::ISODate))
                       : QJsonValue());
    o.insert(QStringLiteral("stale"), s.stale);
    o.insert(QStringLiteral("threshold"), s.threshold);
    o.insert(QStringLiteral("reason"), s.reason);
    o.insert(QStringLiteral("problems"), QJsonArray::fromStringList(s.problems));
    if (!s.aimUrl.isEmpty())
        o.insert(QStringLiteral("aim_url"), s.aimUrl);
    if (!s.values.isEmpty()) {
        QJsonObject values;
        for (const NamedValue &v : s.values)
            values.insert(v.name, v.value ? QJsonValue(*v.value) : QJsonValue());
        o.insert(QStringLiteral("values"), values);
    }
    o.insert(QStringLiteral("paused"), s.paused.has_value());
    if (s.paused && s.paused->isValid())
        o.insert(QStringLiteral("paused_until"),
                 s.paused->toOffsetFromUtc(s.paused->offsetFromUtc()).toString(Qt::ISODate));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<QByteArray> printableStatus(const QByteArray &answer)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    // Qt writes the C0 controls as \u escapes; DEL and the C1 controls (a
    // terminal acts on some of them) it passes as they are.
    const QString text = QString::fromUtf8(document.toJson(QJsonDocument::Compact));
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x7f && c.unicode() <= 0x9f)
            safe += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QChar(u'0'));
        else
            safe += c;
    }
    return safe.toUtf8();
}

QByteArray waybarStatus(const std::optional<QByteArray> &status)
{
    const QJsonObject s = status ? QJsonDocument::fromJson(*status).object() : QJsonObject();
    QJsonObject out;
    const QJsonValue reading = s.value(u"reading");
    const double threshold = s.value(u"threshold").toDouble(50);
    QString cssClass;
    QString tooltip;
    if (s.isEmpty()) {
        cssClass = QStringLiteral("stopped");
        tooltip = QStringLiteral("Talvor is not running");
    } else if (s.value(u"paused").toBool()) {
        // Paused is what the user chose: not a failure of the modem's.
        cssClass = QStringLiteral("paused");
        const QDateTime until = QDateTime::fromString(s.value(u"paused_until").toString(), Qt::ISODate);
        tooltip = until.isValid()
            ? QStringLiteral("Polling paused until %1").arg(until.toLocalTime().toString(QStringLiteral("HH:mm")))
            : QStringLiteral("Polling paused until resumed");
    } else if (s.value(u"stale").toBool() || !reading.isDouble()) {
        cssClass = QStringLiteral("stale");
        tooltip = QStringLiteral("No reading: %1").arg(s.value(u"reason").toString());
    } else {
        cssClass = reading.toDouble() <= threshold ? QStringLiteral("low") : QStringLiteral("ok");
        tooltip = QStringLiteral("Signal strength %1 at %2, threshold %3")
                      .arg(shortestText(reading.toDouble()),
                           QDateTime::fromString(s.value(u"time").toString(), Qt::ISODate)
                               .toString(QStringLiteral("HH:mm:ss")),
                           shortestText(threshold));
    }
    const QJsonObject values = s.value(u"values").toObject();
    for (auto v = values.begin(); v != values.end(); ++v)
        tooltip +=
            QStringLiteral("\n%1 %2").arg(v.key(), v->isDouble() ? shortestText(v->toDouble()) : QStringLiteral("–"));
    const QStringList problems = s.value(u"problems").toVariant().toStringList();
    if (!problems.isEmpty())
        tooltip += u'\n' + problems.join(u'\n');
    out.insert(QStringLiteral("text"),
               reading.isDouble() && !s.isEmpty() ? shortestText(reading.toDouble()) : QStringLiteral("–"));
    out.insert(QStringLiteral("tooltip"), tooltip);
    out.insert(QStringLiteral("class"), cssClass);
    out.insert(QStringLiteral("percentage"), reading.isDouble() ? std::clamp(qRound(reading.toDouble()), 0, 100) : 0);
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

std::optional<Endpoint> parseEndpoint(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    bool ok = false;
    const uint port = trimmed.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    QString host = trimmed.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    return Endpoint{host, quint16(port)};
}

QString sharingId(const QString &hostName)
{
    QString id;
    for (const QChar c : hostName.toLower()) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_')
            id += c;
        else if (c == u'.')
            break; // the host's own name, not its domain
    }
    return id.isEmpty() ? QStringLiteral("talvor") : id;
}

QString valueConfigTopic(const QString &prefix, const QString &id, const QString &name)
{
    return QStringLiteral("%1/sensor/talvor_%2/value_%3/config").arg(prefix, id, name);
}

QString valueTopic(const QString &base, const QString &name)
{
    return QStringLiteral("%1/value/%2").arg(base, name);
}

QString valueOfConfigTopic(const QString &prefix, const QString &id, const QString &topic)
{
    const QString start = QStringLiteral("%1/sensor/talvor_%2/value_").arg(prefix, id);
    const QString end = QStringLiteral("/config");
    if (!topic.startsWith(start) || !topic.endsWith(end))
        return {};
    const QString name = topic.mid(start.size(), topic.size() - start.size() - end.size());
    return isValueName(name) ? name : QString();
}

Discovery valueDiscovery(const QString &prefix, const QString &topic, const DiscoveryDevice &d, const NamedValue &v)
{
    const QString base = topic + u'/' + d.id;
    QJsonObject config{{QStringLiteral("name"), v.label},
                       {QStringLiteral("state_topic"), valueTopic(base, v.name)},
                       {QStringLiteral("availability_topic"), base + QStringLiteral("/status")},
                       {QStringLiteral("unique_id"), QStringLiteral("talvor_%1_value_%2").arg(d.id, v.name)},
                       {QStringLiteral("state_class"), QStringLiteral("measurement")},
                       {QStringLiteral("expire_after"), expireAfterSeconds(d.pollSeconds)},
                       {QStringLiteral("device"), deviceObject(d)},
                       {QStringLiteral("origin"), origin(d)}};
    if (!v.unit.isEmpty())
        config.insert(QStringLiteral("unit_of_measurement"), v.unit);
    return {valueConfigTopic(prefix, d.id, v.name), QJsonDocument(config).toJson(QJsonDocument::Compact)};
}

int expireAfterSeconds(int pollSeconds)
{
    return std::max(30, 3 * pollSeconds);
}

Discovery signalDiscovery(const QString &prefix, const QString &topic, const DiscoveryDevice &d)
{
    const QString base = topic + u'/' + d.id;
    const QJsonObject config{{QStringLiteral("name"), QStringLiteral("Signal strength")},
                             {QStringLiteral("state_topic"), base + QStringLiteral("/signal")},
                             {QStringLiteral("availability_topic"), base + QStringLiteral("/status")},
                             {QStringLiteral("unique_id"), QStringLiteral("talvor_%1_signal").arg(d.id)},
                             {QStringLiteral("state_class"), QStringLiteral("measurement")},
                             {QStringLiteral("expire_after"), expireAfterSeconds(d.pollSeconds)},
                             {QStringLiteral("icon"), QStringLiteral("mdi:satellite-uplink")},
                             {QStringLiteral("device"), deviceObject(d)},
                             {QStringLiteral("origin"), origin(d)}};
    return {QStringLiteral("%1/sensor/talvor_%2/signal/config").arg(prefix, d.id),
            QJsonDocument(config).toJson(QJsonDocument::Compact)};
}

Discovery modemDiscovery(const QString &prefix, const QString &topic, const DiscoveryDevice &d)
{
    const QString base = topic + u'/' + d.id;
    // Connected while the readings are not stale.
    const QJsonObject config{{QStringLiteral("name"), QStringLiteral("Modem")},
                             {QStringLiteral("state_topic"), base + QStringLiteral("/stale")},
                             {QStringLiteral("payload_on"), QStringLiteral("0")},
                             {QStringLiteral("payload_off"), QStringLiteral("1")},
                             {QStringLiteral("device_class"), QStringLiteral("connectivity")},
                             {QStringLiteral("availability_topic"), base + QStringLiteral("/status")},
                             {QStringLiteral("unique_id"), QStringLiteral("talvor_%1_modem").arg(d.id)},
                             {QStringLiteral("device"), deviceObject(d)},
                             {QStringLiteral("origin"), origin(d)}};
    return {QStringLiteral("%1/binary_sensor/talvor_%2/modem/config").arg(prefix, d.id),
            QJsonDocument(config).toJson(QJsonDocument::Compact)};
}

} // namespace talvor
