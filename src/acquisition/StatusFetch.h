#pragma once

#include <QObject>
#include <QString>
#include <functional>

struct FormState;
class Transfer;
class SignalStatus;
class CrlfTextView;
class QLineEdit;
class QLabel;

// One request for the status page and what its transfer states write into the
// page view; a completed page is searched for the reading.
class StatusFetch : public QObject {
    Q_OBJECT
public:
    StatusFetch(FormState &form, Transfer &Inet1, CrlfTextView &Info_HTML, QLineEdit &txtURL,
                QLineEdit &SearchText, QLabel &Talvor, SignalStatus &status,
                std::function<void()> processNewReading, QObject *parent = nullptr);

    void FetchStatusPage();
    void Inet1_StateChanged(qint16 state);
    QString StateMessage(qint16 state);

private:
    void reportTransferError(qint32 number);

    FormState &m_form;
    Transfer &m_inet;
    CrlfTextView &m_page;
    QLineEdit &m_url;
    QLineEdit &m_searchText;
    QLabel &m_reading;
    SignalStatus &m_status;
    std::function<void()> m_processNewReading;
};
