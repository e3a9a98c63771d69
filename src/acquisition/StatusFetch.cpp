#include "StatusFetch.h"

#include "core/Numbers.h"
#include "form/CrlfTextView.h"

#include <QLabel>
#include <QLineEdit>

StatusFetch::StatusFetch(talvor::FormState &form, const FetchControls &controls, talvor::SignalEvents &events,
                         QObject *parent)
    : QObject(parent)
    , m_c(controls)
    , m_page(form, *controls.Inet1, events)
{
    connect(&m_page, &PageFetch::transcript, this, [this](const QString &text, PageFetch::Edit edit) {
        switch (edit) {
        case PageFetch::Edit::Replace:
            return m_c.Info_HTML->replaceText(text);
        case PageFetch::Edit::AppendText:
            return m_c.Info_HTML->appendText(text);
        case PageFetch::Edit::AppendLine:
            return m_c.Info_HTML->appendLine(text);
        }
    });
    connect(&m_page, &PageFetch::readingFound, this, [this](const QString &reading) {
        m_c.Talvor->setText(reading);
        emit readingReady();
    });
}

void StatusFetch::FetchStatusPage()
{
    m_page.FetchStatusPage(
        {m_c.txtURL->text(), m_c.SearchText->text(), talvor::leadingNumber(m_c.ssThreshold->text())});
}
