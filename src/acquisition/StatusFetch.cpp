#include "StatusFetch.h"

#include "Transfer.h"
#include "core/Extraction.h"
#include "core/FormState.h"
#include "core/Numbers.h"
#include "core/SignalEvents.h"
#include "core/TransferTexts.h"
#include "form/CrlfTextView.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>

StatusFetch::StatusFetch(talvor::FormState &form, const FetchControls &controls, talvor::SignalEvents &events,
                         QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_c(controls)
    , m_events(events)
{
    connect(m_c.Inet1, &Transfer::StateChanged, this, &StatusFetch::Inet1_StateChanged);
}

void StatusFetch::noReading(const QString &reason, talvor::SignalWatch::Failure failure)
{
    m_events.noReading(reason, failure, QDateTime::currentDateTime());
}

void StatusFetch::FetchStatusPage()
{
    // Without an address there is nothing to fetch; say so and leave the
    // program running (ending it would lose unsaved settings).
    if (m_c.txtURL->text().isEmpty()) {
        const QString needUrl = QStringLiteral("Need a url to get info!!");
        m_c.Info_HTML->replaceText(needUrl + QStringLiteral("\r\n"));
        noReading(needUrl, talvor::SignalWatch::Failure::BadAddress);
        return;
    }
    m_form.RequestNumber = talvor::nextRequestNumber(m_form.RequestNumber);
    m_c.Info_HTML->replaceText(
        QStringLiteral("Gettting new Data!!  Request number - %1\r\n").arg(m_form.RequestNumber));
    // The new transcript replaces the old one: keep why the last poll failed in sight.
    if (const QString failure = m_events.lastFailure(); !failure.isEmpty())
        m_c.Info_HTML->appendLine(QStringLiteral("Previous request gave no reading: %1").arg(failure));
    // Talvor's own troubles stay in sight until they are put right.
    for (const QString &problem : m_events.problems())
        m_c.Info_HTML->appendLine(problem);

    qint32 error = m_c.Inet1->setUrl(m_c.txtURL->text());
    if (error == Transfer::NoError)
        error = m_c.Inet1->execute(QString(), QStringLiteral("GET"));
    if (error != Transfer::NoError)
        reportTransferError(error);
}

void StatusFetch::reportTransferError(qint32 number)
{
    const QString message = talvor::transferErrorMessage(number);
    m_c.Info_HTML->appendText(QStringLiteral("\r\n"));
    m_c.Info_HTML->appendLine(message);
    if (number == Transfer::InternalError)
        m_c.Info_HTML->appendLine(m_c.Inet1->errorText());
    // The request still running may yet give a reading; any other refusal
    // is a poll without one.
    if (number != Transfer::StillExecutingRequest)
        noReading(message, talvor::SignalWatch::Failure::BadAddress);
}

QString StatusFetch::StateMessage(qint16 state)
{
    if (state == Transfer::Complete)
        return talvor::completionText(m_c.Inet1->readBody(Transfer::BodyCap));
    return talvor::stateMessage(state);
}

void StatusFetch::Inet1_StateChanged(qint16 state)
{
    // A wrong address often answers with an error page: say so before it.
    if (const int status = m_c.Inet1->status();
        state == Transfer::Complete && status != 0 && (status < 200 || status > 299))
        m_c.Info_HTML->appendLine(QStringLiteral("The modem answered %1").arg(m_c.Inet1->statusText()));
    m_c.Info_HTML->appendLine(StateMessage(state));
    if (state == Transfer::Failed) {
        // Say why, so that a user can tell a wrong address from a modem that is off.
        const QString reason = m_c.Inet1->errorText();
        if (!reason.isEmpty())
            m_c.Info_HTML->appendLine(reason);
        noReading(reason.isEmpty() ? StateMessage(state) : reason, talvor::SignalWatch::Failure::NoAnswer);
        return;
    }
    if (state != Transfer::Complete)
        return;
    // Only the body is searched: the page view also holds lines of ours, some
    // of them quoting what a server sent.
    const std::optional<QString> reading =
        talvor::extractReading(m_c.Inet1->readBody(Transfer::BodyCap), m_c.SearchText->text());
    if (!reading) {
        // The previous reading stays: an error page is not a reading of 0.
        const QString notFound = QStringLiteral("Search text not found!");
        m_c.Info_HTML->appendLine(notFound);
        noReading(notFound, talvor::SignalWatch::Failure::SearchTextMissing);
        return;
    }
    m_events.reading(*reading, talvor::leadingNumber(m_c.ssThreshold->text()), QDateTime::currentDateTime());
    m_c.Talvor->setText(*reading);
    emit readingReady();
}
