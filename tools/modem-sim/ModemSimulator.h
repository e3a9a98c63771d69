#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QTcpServer>

#include <optional>

// Plays a satellite modem's status page on loopback: any GET gets a plain-text
// summary whose signal strength wanders from one request to the next.
class ModemSimulator : public QObject {
    Q_OBJECT
public:
    explicit ModemSimulator(QObject *parent = nullptr);

    // Listens on 127.0.0.1 only; port 0 picks a free one.
    bool listen(quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    void setFixedReading(std::optional<int> reading) { m_fixed = reading; }
    // The reading is the number in this file, read at every request, so a
    // test changes what the modem says by writing it.
    void setReadingFile(const QString &path) { m_readingFile = path; }

    QByteArray statusPage();

private:
    void onNewConnection();
    int nextReading();

    QTcpServer m_server;
    QRandomGenerator m_random;
    std::optional<int> m_fixed;
    QString m_readingFile;
    double m_level = 62.0;
    int m_served = 0;
};
