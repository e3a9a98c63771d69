#include "StatusFetch.h"

#include "core/reading/Numbers.h"
#include "monitor/Monitor.h"
#include "window/form/CrlfTextView.h"

#include <QLabel>
#include <QLineEdit>

StatusFetch::StatusFetch(const FetchControls &controls, Monitor &monitor, QObject *parent)
    : QObject(parent)
    , m_c(controls)
{
    const auto handOver = [this, &monitor] {
        monitor.setUrl(m_c.txtURL->text());
        monitor.setSearchText(m_c.SearchText->text());
        monitor.setThreshold(talvor::leadingNumber(m_c.ssThreshold->text()));
    };
    handOver();
    for (QLineEdit *box : {m_c.txtURL, m_c.SearchText, m_c.ssThreshold})
        connect(box, &QLineEdit::textChanged, this, handOver);
    connect(&monitor, &Monitor::transcript, this, [this](const QString &text, PageFetch::Edit edit) {
        switch (edit) {
        case PageFetch::Edit::Replace:
            return m_c.Info_HTML->replaceText(text);
        case PageFetch::Edit::AppendText:
            return m_c.Info_HTML->appendText(text);
        case PageFetch::Edit::AppendLine:
            return m_c.Info_HTML->appendLine(text);
        }
    });
    connect(&monitor, &Monitor::readingFound, this, [this](const QString &reading) {
        m_c.Talvor->setText(reading);
        emit readingReady();
    });
}
