#pragma once

#include "core/reading/NamedValues.h"
#include "core/reading/SignalWatch.h"

#include <QObject>
#include <QString>

namespace talvor {
struct FormState;
class SignalEvents;
} // namespace talvor
class Transfer;

// One request for the status page and what its transfer states say, line by
// line, as the page view shows them; a completed page is searched for the
// reading. What each poll gave goes to the signal events. It reads no
// control: the request carries what it needs.
class PageFetch : public QObject {
    Q_OBJECT
public:
    struct Request {
        QString url;
        QString searchText;
        double threshold = 50;
        talvor::ReadingRule rule;
        QList<talvor::ValueRule> values;
    };
    // How a piece of the transcript joins the page view.
    enum class Edit { Replace, AppendText, AppendLine };
    Q_ENUM(Edit)

    PageFetch(talvor::FormState &form, Transfer &Inet1, talvor::SignalEvents &events, QObject *parent = nullptr);

    void FetchStatusPage(const Request &request);
    void Inet1_StateChanged(qint16 state);
    QString StateMessage(qint16 state);

signals:
    void transcript(const QString &text, PageFetch::Edit edit);
    void readingFound(const QString &reading);
    // A request reached (or tried to reach) the modem and gave no reading;
    // an address refused before any request is not the modem's doing.
    void modemGaveNothing();

private:
    void line(const QString &text) { emit transcript(text, Edit::AppendLine); }
    void reportTransferError(qint32 number);
    void noReading(const QString &reason, talvor::SignalWatch::Failure failure);
    // The named values the page gives, to the transcript and the events.
    void giveValues(talvor::PageSearch &page, const QDateTime &at);

    talvor::FormState &m_form;
    Transfer &m_inet;
    talvor::SignalEvents &m_events;
    Request m_request;
    bool m_valuesGiven = false; // this poll's values went out
};
