#pragma once

#include <QObject>
#include <functional>

struct FormState;
struct FormControls;

// Which of the four panels is shown, and the help text of the fourth.
class TabViews : public QObject {
    Q_OBJECT
public:
    TabViews(FormState &form, const FormControls &controls, std::function<void()> promptSaveSettings,
             QObject *parent = nullptr);

    void ChooseView_Click();
    void LoadHelpText();

private:
    FormState &m_form;
    const FormControls &m_c;
    std::function<void()> m_promptSaveSettings;
};

namespace talvor {
// The help file's lines, each ended by CR LF; a line ends at a carriage
// return, with or without a line feed after it.
QString helpTextFromFile(const QByteArray &content);
}
