#pragma once

#include <QObject>

#include <array>

namespace talvor {
struct FormState;
}
class CrlfTextView;
class QTabBar;
class QWidget;

// The controls the tab views switch and fill.
struct ViewControls {
    QTabBar *ChooseView;
    std::array<QWidget *, 5> Frame1;
    CrlfTextView *HelpText;
};

// Which of the four panels is shown, and the help text of the fourth.
class TabViews : public QObject {
    Q_OBJECT
public:
    TabViews(talvor::FormState &form, const ViewControls &controls, QObject *parent = nullptr);

    void ChooseView_Click();
    void LoadHelpText();

signals:
    // Leaving the Options tab: unsaved settings are offered for saving first.
    void settingsPromptDue();

private:
    talvor::FormState &m_form;
    ViewControls m_c;
};
