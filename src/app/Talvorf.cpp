#include "Talvorf.h"

#include "acquisition/ReadingPipeline.h"
#include "acquisition/StatusFetch.h"

#include <QPushButton>

Talvorf::Talvorf(QWidget *parent)
    : QMainWindow(parent)
    , c(buildFormControls(*this))
{
    setObjectName(QStringLiteral("Talvorf"));
    setWindowTitle(QStringLiteral("0 = SS"));
    resize(801, 427);

    m_pipeline = std::make_unique<ReadingPipeline>(form, *this, *c.ChooseView, *c.Talvor);
    m_fetch = new StatusFetch(form, *c.Inet1, *c.Info_HTML, *c.txtURL, *c.SearchText, *c.Talvor,
                              [this] { ProcessNewReading(); }, this);
    connect(c.GetHtml_button, &QPushButton::clicked, m_fetch, &StatusFetch::FetchStatusPage);
}

Talvorf::~Talvorf() = default;

void Talvorf::ProcessNewReading()
{
    m_pipeline->ProcessNewReading();
}
