#include "PageFetch.h"

#include "ModemSettings.h"
#include "Transfer.h"
#include "core/fetch/TransferTexts.h"
#include "core/reading/Extraction.h"
#include "core/reading/Numbers.h"
#include "core/reading/SignalEvents.h"
#include "core/settings/FormState.h"

#include <QDateTime>

#include <utility>

PageFetch::PageFetch(talvor::FormState &form, Transfer &Inet1, talvor::SignalEvents &events, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_inet(Inet1)
    , m_events(events)
{
    connect(&m_inet, &Transfer::StateChanged, this, &PageFetch::Inet1_StateChanged);
    connect(&m_inet, &Transfer::step, this, &PageFetch::line);
}

void PageFetch::noReading(const QString &reason, talvor::SignalWatch::Failure failure)
{
    // First, so that the status line it leads to names the next try.
    if (failure != talvor::SignalWatch::Failure::BadAddress)
        emit modemGaveNothing();
    const QDateTime at = QDateTime::currentDateTime();
    // A poll that gave no page gives none of the values either.
    if (!std::exchange(m_valuesGiven, true) && !m_request.values.isEmpty())
        m_events.values(talvor::missingValues(m_request.values, reason), at);
    m_events.noReading(reason, failure, at);
}

void PageFetch::giveValues(talvor::PageSearch &page, const QDateTime &at)
{
    if (m_request.values.isEmpty())
        return;
    const QList<talvor::NamedValue> values = m_inet.status() >= 400
        ? talvor::missingValues(m_request.values, talvor::errorStatusText(m_inet.statusText()))
        : talvor::findValues(page, m_request.values);
    for (const talvor::NamedValue &v : values)
        line(v.value ? QStringLiteral("Value %1: %2").arg(v.name, v.shown())
                     : QStringLiteral("Value %1 (%2) missing: %3").arg(v.name, v.label, v.failure));
    m_valuesGiven = true;
    m_events.values(values, at);
}

void PageFetch::FetchStatusPage(const Request &request)
{
    m_request = request;
    m_valuesGiven = false;
    // Without an address there is nothing to fetch; say so and leave the
    // program running (ending it would lose unsaved settings).
    if (request.url.isEmpty()) {
        const QString needUrl = QStringLiteral("Need a url to get info!!");
        emit transcript(needUrl + QStringLiteral("\r\n"), Edit::Replace);
        noReading(needUrl, talvor::SignalWatch::Failure::BadAddress);
        return;
    }
    m_form.RequestNumber = talvor::nextRequestNumber(m_form.RequestNumber);
    emit transcript(QStringLiteral("Gettting new Data!!  Request number - %1\r\n").arg(m_form.RequestNumber),
                    Edit::Replace);
    // The new transcript replaces the old one: keep why the last poll failed in sight.
    if (const QString failure = m_events.lastFailure(); !failure.isEmpty())
        line(QStringLiteral("Previous request gave no reading: %1").arg(failure));
    // Talvor's own troubles stay in sight until they are put right.
    for (const QString &problem : m_events.problems())
        line(problem);

    qint32 error = m_inet.setUrl(request.url);
    if (error == Transfer::NoError)
        error = m_inet.execute(QString(), QStringLiteral("GET"));
    if (error != Transfer::NoError)
        reportTransferError(error);
}

void PageFetch::reportTransferError(qint32 number)
{
    const QString message = talvor::transferErrorMessage(number);
    emit transcript(QStringLiteral("\r\n"), Edit::AppendText);
    line(message);
    if (number == Transfer::InternalError)
        line(m_inet.errorText());
    // The request still running may yet give a reading; any other refusal
    // is a poll without one.
    if (number != Transfer::StillExecutingRequest)
        noReading(message, talvor::SignalWatch::Failure::BadAddress);
}

QString PageFetch::StateMessage(qint16 state)
{
    if (state == Transfer::Complete)
        return talvor::completionText(m_inet.readBody(Transfer::BodyCap));
    return talvor::stateMessage(state);
}

void PageFetch::Inet1_StateChanged(qint16 state)
{
    // A wrong address often answers with an error page: say so before it.
    if (const int status = m_inet.status();
        state == Transfer::Complete && status != 0 && (status < 200 || status > 299))
        line(talvor::errorStatusText(m_inet.statusText()));
    line(StateMessage(state));
    if (state == Transfer::Failed) {
        // Say why, so that a user can tell a wrong address from a modem that is off.
        const QString reason = m_inet.errorText();
        if (!reason.isEmpty())
            line(reason);
        noReading(reason.isEmpty() ? StateMessage(state) : reason, talvor::SignalWatch::Failure::NoAnswer);
        return;
    }
    if (state != Transfer::Complete)
        return;
    if (const QString refused = m_inet.loginRefusal(); !refused.isEmpty()) {
        line(refused);
        noReading(refused, talvor::SignalWatch::Failure::NoAnswer);
        return;
    }
    // A login page is not the status page: say what is wrong with the login.
    if (m_inet.status() == 401) {
        const QString refused =
            m_inet.hasLogin() ? talvor::loginRefusedText() : talvor::loginNeededText(ModemSettings::FileName);
        line(refused);
        noReading(refused, talvor::SignalWatch::Failure::NoAnswer);
        return;
    }
    // Only the body is searched: the page view also holds lines of ours, some
    // of them quoting what a server sent.
    const QString body = m_inet.readBody(m_inet.bodyCap());
    talvor::PageSearch page(body);
    const talvor::ReadingFound found = page.find(m_request.searchText, m_request.rule);
    // The values and the reading of a poll fall in the same minute.
    const QDateTime at = QDateTime::currentDateTime();
    giveValues(page, at);
    if (!found.reading) {
        // The previous reading stays: an error page is not a reading of 0.
        line(found.failure);
        if (m_inet.bodyCut() && m_inet.bodyCap() > Transfer::BodyCap)
            line(QStringLiteral("The page is longer than %1 MiB: only its start was read").arg(m_inet.bodyCap() >> 20));
        // An error status is the reason, not the page that came with it.
        if (m_inet.status() >= 400)
            noReading(talvor::errorStatusText(m_inet.statusText()), talvor::SignalWatch::Failure::NoAnswer);
        else
            noReading(found.failure, talvor::SignalWatch::Failure::SearchTextMissing);
        return;
    }
    m_events.reading(*found.reading, m_request.threshold, at);
    emit readingFound(*found.reading);
}
