#pragma once

#include <QObject>

class QAction;
class QWidget;
class SharingDialog;
class SharingHub;

// "Sharing…" in the File menu: the dialog that edits where the numbers go,
// saved and applied to the monitor's sharing at once.
class SharingMenu : public QObject {
    Q_OBJECT
public:
    // The window is the dialog's parent.
    SharingMenu(QAction *MenuSharing, QWidget *window, SharingHub &hub, QObject *parent = nullptr);

private:
    void MenuSharing_Click();
    // Saves what the dialog holds and applies it; the dialog closes once the
    // broker, if one is set, has said yes.
    void saveFromDialog();
    void brokerAnswered();

    QWidget *m_window;
    SharingHub &m_hub;
    SharingDialog *m_dialog = nullptr;
    bool m_awaitingBroker = false; // the dialog waits for the broker's answer
};
