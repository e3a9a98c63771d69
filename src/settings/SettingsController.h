#pragma once

#include "Settings.h"

#include <QObject>

struct FormState;
struct FormControls;
class Dialogs;

// Loads the settings into the window's controls, saves them from there, and
// keeps track of unsaved changes so the user is asked before they are lost.
class SettingsController : public QObject {
    Q_OBJECT
public:
    SettingsController(FormState &form, const FormControls &controls, Dialogs &dialogs, QObject *parent = nullptr);

    void LoadSettings();
    void SaveSettings();
    void PromptSaveSettings();
    // Forgets the file, so the next load applies and writes the defaults.
    void forgetSettingsFile();

    // What the controls hold now, as the file would store it.
    Settings currentSettings() const;
    void markChanged(qint16 code);

private:
    void applyDefaults();
    void applyFields(const QList<talvor::SettingsField> &fields);
    void setIconFont(const FontChoice &font);
    FontChoice iconFont() const;

    FormState &m_form;
    const FormControls &m_c;
    Dialogs &m_dialogs;
};
