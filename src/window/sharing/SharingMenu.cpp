#include "SharingMenu.h"

#include "SharingDialog.h"
#include "monitor/sharing/SharingHub.h"

#include <QAction>

SharingMenu::SharingMenu(QAction *MenuSharing, QWidget *window, SharingHub &hub, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_hub(hub)
{
    connect(MenuSharing, &QAction::triggered, this, &SharingMenu::MenuSharing_Click);
    connect(&m_hub, &SharingHub::brokerAnswered, this, &SharingMenu::brokerAnswered);
}

void SharingMenu::MenuSharing_Click()
{
    if (!m_dialog) {
        m_dialog = new SharingDialog(m_window);
        connect(m_dialog, &SharingDialog::saveRequested, this, &SharingMenu::saveFromDialog);
    }
    m_dialog->setSettings(m_hub.settings());
    m_dialog->showProblems(m_hub.problems());
    // Not exec(): the window and the polls go on while it is open.
    m_dialog->open();
}

void SharingMenu::saveFromDialog()
{
    SharingSettings wanted = m_dialog->settings();
    wanted.instance = m_hub.settings().instance;
    const QString error = wanted.save();
    m_hub.apply(wanted);
    QStringList problems = m_hub.problems();
    if (!error.isEmpty())
        problems.prepend(error);
    m_awaitingBroker = error.isEmpty() && m_hub.awaitingBroker();
    if (m_awaitingBroker) {
        m_dialog->showProblems({QStringLiteral("Asking the MQTT broker at %1 …").arg(wanted.broker)});
        return;
    }
    m_dialog->showProblems(problems);
    // Kept open while something is wrong, so it can be put right.
    if (problems.isEmpty())
        m_dialog->accept();
}

void SharingMenu::brokerAnswered()
{
    if (!m_awaitingBroker || !m_dialog)
        return;
    m_awaitingBroker = false;
    const QStringList problems = m_hub.problems();
    m_dialog->showProblems(problems);
    if (problems.isEmpty())
        m_dialog->accept();
}
