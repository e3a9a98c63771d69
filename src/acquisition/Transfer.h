#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkReply;

// The program's HTTP transfer control (Inet1): one request at a time, progress
// reported as numbered states on the GUI thread, failures to start reported as
// the error numbers the page view has messages for.
class Transfer : public QObject {
    Q_OBJECT
public:
    enum State : qint16 {
        Resolving = 1, Resolved = 2, Connecting = 3, Connected = 4, Requesting = 5,
        RequestSent = 6, Receiving = 7, ResponseReceived = 8, Failed = 11, Complete = 12,
    };
    enum Error : qint32 {
        NoError = 0,
        UrlMalformed = 35752,
        ProtocolNotSupported = 35753,
        NoRemoteComputer = 35755,
        NotValidCommand = 35762,
        StillExecutingRequest = 35764,
        UnrecognizedScheme = 35772,
    };
    // No more than this much of a body is ever kept.
    static constexpr int BodyCap = 4096;
    static constexpr int DefaultTimeoutMs = 30000;

    explicit Transfer(QObject *parent = nullptr);
    ~Transfer() override;

    // Each returns NoError or the error number that stops the request.
    qint32 setUrl(const QString &text);
    qint32 execute(const QString &url, const QString &operation);

    bool StillExecuting() const { return m_busy; }
    // Why the last request failed, in words; empty after a success.
    QString errorText() const { return m_errorText; }
    // The received body, one character per byte, at most maxSize of them.
    QString readBody(int maxSize) const;
    // Abandons the request in flight; no further state is reported for it.
    void cancel();

    // A request still running this long after its start ends as state 11.
    void setTimeoutMs(int ms) { m_timeout.setInterval(ms); }

signals:
    void StateChanged(qint16 state);

private:
    void startGet(const QUrl &url);
    void report(State state);
    void onStartedConnecting();
    void onRequestSent();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void onTimeout();
    // Detaches and aborts the reply so its own late signals never reach us.
    void dropReply();
    void finish(State last);

    QNetworkAccessManager m_manager;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timeout;
    QUrl m_url;
    QByteArray m_body;
    QString m_errorText;
    bool m_busy = false;
    bool m_reportedReceiving = false;
    bool m_hostIsName = false;
};
