#include "PollScheduler.h"

#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"
#include "core/settings/ChangeCodes.h"
#include "monitor/Monitor.h"
#include "window/form/CaptionLabel.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>

PollScheduler::PollScheduler(const PollControls &controls, Monitor &monitor, QObject *parent)
    : FormPart(parent)
    , m_c(controls)
    , m_monitor(monitor)
{
    connect(m_c.HScroll1, &QScrollBar::valueChanged, this, &PollScheduler::HScroll1_Change);
    connect(m_c.M_refresh_rate, &CaptionLabel::Change, this, &PollScheduler::M_refresh_rate_Change);
    connect(m_c.EnableAutoCheck, &QCheckBox::toggled, this, &PollScheduler::EnableAutoCheck_Click);
    connect(m_c.GetHtml_button, &QPushButton::clicked, this, &PollScheduler::GetHtml_button_Click);
}

void PollScheduler::HScroll1_Change()
{
    m_monitor.setAutoCheck(false);
    m_c.M_refresh_rate->setCaption(QString::number(m_c.HScroll1->value()));
    // A correction runs this handler again for the corrected value.
    const int snapped = talvor::snappedRefreshTenths(m_c.HScroll1->value());
    if (snapped != m_c.HScroll1->value())
        m_c.HScroll1->setValue(snapped);
    emit settingsChanged(talvor::RefreshRateChanged);
}

void PollScheduler::M_refresh_rate_Change()
{
    const double tenths = talvor::leadingNumber(m_c.M_refresh_rate->text());
    m_c.DisplaySec->setText(talvor::formatOneDecimal(tenths / 10));
    m_monitor.setRefreshTenths(tenths);
    EnableAutoCheck_Click();
}

void PollScheduler::EnableAutoCheck_Click()
{
    // Switching on restarts the period: the first poll comes one interval later.
    m_monitor.setAutoCheck(m_c.EnableAutoCheck->isChecked());
    emit settingsChanged(talvor::AutoCheckChanged);
}

void PollScheduler::GetHtml_button_Click()
{
    m_monitor.FetchStatusPage();
}
