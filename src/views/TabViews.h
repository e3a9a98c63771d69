#pragma once

#include <QObject>
#include <array>
#include <functional>

struct FormState;
class CrlfTextView;
class QTabBar;
class QWidget;

// The controls the tab views switch and fill.
struct ViewControls {
    QTabBar *ChooseView;
    std::array<QWidget *, 4> Frame1;
    CrlfTextView *HelpText;
};

// Which of the four panels is shown, and the help text of the fourth.
class TabViews : public QObject {
    Q_OBJECT
public:
    TabViews(FormState &form, const ViewControls &controls, std::function<void()> promptSaveSettings,
             QObject *parent = nullptr);

    void ChooseView_Click();
    void LoadHelpText();

private:
    FormState &m_form;
    ViewControls m_c;
    std::function<void()> m_promptSaveSettings;
};
