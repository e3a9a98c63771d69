#include "StatusFetch.h"

#include "SignalStatus.h"
#include "core/Extraction.h"
#include "form/CrlfTextView.h"
#include "Transfer.h"
#include "core/TransferTexts.h"
#include "core/FormState.h"
#include "core/Numbers.h"

#include <QLabel>
#include <QLineEdit>

StatusFetch::StatusFetch(FormState &form, Transfer &Inet1, CrlfTextView &Info_HTML, QLineEdit &txtURL,
                         QLineEdit &SearchText, QLabel &Talvor, SignalStatus &status,
                         std::function<void()> processNewReading, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_inet(Inet1)
    , m_page(Info_HTML)
    , m_url(txtURL)
    , m_searchText(SearchText)
    , m_reading(Talvor)
    , m_status(status)
    , m_processNewReading(std::move(processNewReading))
{
    connect(&m_inet, &Transfer::StateChanged, this, &StatusFetch::Inet1_StateChanged);
}

void StatusFetch::FetchStatusPage()
{
    // Without an address there is nothing to fetch; say so and leave the
    // program running (ending it would lose unsaved settings).
    if (m_url.text().isEmpty()) {
        const QString needUrl = QStringLiteral("Need a url to get info!!");
        m_page.replaceText(needUrl + QStringLiteral("\r\n"));
        m_status.noReading(needUrl, talvor::SignalWatch::Failure::BadAddress);
        return;
    }
    m_form.RequestNumber = talvor::nextRequestNumber(m_form.RequestNumber);
    m_page.replaceText(QStringLiteral("Gettting new Data!!  Request number - %1\r\n").arg(m_form.RequestNumber));
    // The new transcript replaces the old one: keep why the last poll failed in sight.
    if (const QString failure = m_status.lastFailure(); !failure.isEmpty())
        m_page.appendLine(QStringLiteral("Previous request gave no reading: %1").arg(failure));

    qint32 error = m_inet.setUrl(m_url.text());
    if (error == Transfer::NoError)
        error = m_inet.execute(QString(), QStringLiteral("GET"));
    if (error != Transfer::NoError)
        reportTransferError(error);
}

void StatusFetch::reportTransferError(qint32 number)
{
    const QString message = talvor::transferErrorMessage(number);
    m_page.appendText(QStringLiteral("\r\n"));
    m_page.appendLine(message);
    // The request still running may yet give a reading; any other refusal
    // is a poll without one.
    if (number != Transfer::StillExecutingRequest)
        m_status.noReading(message, talvor::SignalWatch::Failure::BadAddress);
}

QString StatusFetch::StateMessage(qint16 state)
{
    if (state == Transfer::Complete)
        return talvor::completionText(m_inet.readBody(Transfer::BodyCap));
    return talvor::stateMessage(state);
}

void StatusFetch::Inet1_StateChanged(qint16 state)
{
    // A wrong address often answers with an error page: say so before it.
    if (const int status = m_inet.status(); state == Transfer::Complete && status != 0 && (status < 200 || status > 299))
        m_page.appendLine(QStringLiteral("The modem answered %1").arg(m_inet.statusText()));
    m_page.appendLine(StateMessage(state));
    if (state == Transfer::Failed) {
        // Say why, so that a user can tell a wrong address from a modem that is off.
        const QString reason = m_inet.errorText();
        if (!reason.isEmpty())
            m_page.appendLine(reason);
        m_status.noReading(reason.isEmpty() ? StateMessage(state) : reason);
        return;
    }
    if (state != Transfer::Complete)
        return;
    // Only the body is searched: the page view also holds lines of ours, some
    // of them quoting what a server sent.
    const std::optional<QString> reading =
        talvor::extractReading(m_inet.readBody(Transfer::BodyCap), m_searchText.text());
    if (!reading) {
        // The previous reading stays: an error page is not a reading of 0.
        const QString notFound = QStringLiteral("Search text not found!");
        m_page.appendLine(notFound);
        m_status.noReading(notFound, talvor::SignalWatch::Failure::SearchTextMissing);
        return;
    }
    m_status.readingTaken(*reading);
    m_reading.setText(*reading);
    m_processNewReading();
}
