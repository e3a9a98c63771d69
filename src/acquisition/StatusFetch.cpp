#include "StatusFetch.h"

#include "core/Extraction.h"
#include "form/CrlfTextView.h"
#include "Transfer.h"
#include "core/TransferTexts.h"
#include "core/FormState.h"
#include "core/Numbers.h"

#include <QLabel>
#include <QLineEdit>

StatusFetch::StatusFetch(FormState &form, Transfer &Inet1, CrlfTextView &Info_HTML, QLineEdit &txtURL,
                         QLineEdit &SearchText, QLabel &Talvor,
                         std::function<void()> processNewReading, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_inet(Inet1)
    , m_page(Info_HTML)
    , m_url(txtURL)
    , m_searchText(SearchText)
    , m_reading(Talvor)
    , m_processNewReading(std::move(processNewReading))
{
    connect(&m_inet, &Transfer::StateChanged, this, &StatusFetch::Inet1_StateChanged);
}

void StatusFetch::FetchStatusPage()
{
    // Without an address there is nothing to fetch; say so and leave the
    // program running (ending it would lose unsaved settings).
    if (m_url.text().isEmpty()) {
        m_page.replaceText(QStringLiteral("Need a url to get info!!\r\n"));
        return;
    }
    m_form.RequestNumber = talvor::nextRequestNumber(m_form.RequestNumber);
    m_page.replaceText(QStringLiteral("Gettting new Data!!  Request number - %1\r\n").arg(m_form.RequestNumber));

    qint32 error = m_inet.setUrl(m_url.text());
    if (error == Transfer::NoError)
        error = m_inet.execute(QString(), QStringLiteral("GET"));
    if (error != Transfer::NoError)
        reportTransferError(error);
}

void StatusFetch::reportTransferError(qint32 number)
{
    m_page.appendText(QStringLiteral("\r\n"));
    m_page.appendLine(talvor::transferErrorMessage(number));
}

QString StatusFetch::StateMessage(qint16 state)
{
    if (state == Transfer::Complete)
        return talvor::completionText(m_inet.readBody(Transfer::BodyCap));
    return talvor::stateMessage(state);
}

void StatusFetch::Inet1_StateChanged(qint16 state)
{
    m_page.appendLine(StateMessage(state));
    // Say why, so that a user can tell a wrong address from a modem that is off.
    if (state == Transfer::Failed && !m_inet.errorText().isEmpty())
        m_page.appendLine(m_inet.errorText());
    if (state != Transfer::Complete)
        return;
    const std::optional<QString> reading = talvor::extractReading(m_page.text(), m_searchText.text());
    if (!reading) {
        // The previous reading stays: an error page is not a reading of 0.
        m_page.appendLine(QStringLiteral("Search text not found!"));
        return;
    }
    m_reading.setText(*reading);
    m_processNewReading();
}
