#include "ReadingPipeline.h"

#include "core/reading/Numbers.h"
#include "core/reading/ReadingRules.h"
#include "core/settings/FormState.h"

#include <QLabel>
#include <QTabBar>
#include <QWidget>

ReadingPipeline::ReadingPipeline(talvor::FormState &form, QWidget &window, QTabBar &ChooseView, QLabel &Talvor,
                                 QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_window(window)
    , m_tabs(ChooseView)
    , m_reading(Talvor)
{
}

QString ReadingPipeline::ReadingText() const
{
    return m_reading.text();
}

QString ReadingPipeline::histogramTabCaption(const QString &reading)
{
    // A reading wider than three characters simply gets no padding.
    const QString pad(qMax<qsizetype>(0, 3 - reading.size()), u' ');
    return QStringLiteral("Signal Strength = ") + pad + reading + QStringLiteral("  Histogram");
}

void ReadingPipeline::ProcessNewReading()
{
    m_window.setWindowTitle(ReadingText() + QStringLiteral(" = SS"));
    m_tabs.setTabText(0, histogramTabCaption(ReadingText()));

    m_form.IconIndex = talvor::iconIndex(talvor::leadingNumber(ReadingText()));
    m_form.ReadingIndex = m_form.IconIndex;

    emit iconDue();
    emit historyDue();
    emit chartDue();
    emit logDue();
}
