#include "TabViews.h"

#include "CrlfTextView.h"
#include "core/program/HelpText.h"
#include "core/program/ProgramFolder.h"
#include "core/settings/FormState.h"

#include <QFile>
#include <QFontDatabase>
#include <QTabBar>

namespace {
const QString HelpFileName = QStringLiteral("Read Me.txt");
}

TabViews::TabViews(talvor::FormState &form, const ViewControls &controls, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_c(controls)
{
    connect(m_c.ChooseView, &QTabBar::currentChanged, this, &TabViews::ChooseView_Click);
}

void TabViews::ChooseView_Click()
{
    const int k = m_c.ChooseView->currentIndex() + 1;
    if (k == m_form.CurrentTab || k < 1 || k > int(m_c.Frame1.size()))
        return;
    emit settingsPromptDue();
    m_c.Frame1[k - 1]->show();
    m_c.Frame1[m_form.CurrentTab - 1]->hide();
    m_form.CurrentTab = qint16(k);
    if (k == 4)
        LoadHelpText();
}

void TabViews::LoadHelpText()
{
    // The help text lines its tables up with blanks. Its font is loaded
    // only once the help is read.
    m_c.HelpText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QString path = talvor::locateShippedFile(HelpFileName);
    if (path.isEmpty()) {
        m_c.HelpText->replaceText(QStringLiteral("HelpText.Text not found!"));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_c.HelpText->replaceText(QStringLiteral("%1 cannot be read: %2").arg(file.fileName(), file.errorString()));
        return;
    }
    // A help text is small; a huge file is not read past its first megabyte.
    m_c.HelpText->replaceText(talvor::helpTextFromFile(file.read(1 << 20)));
}
