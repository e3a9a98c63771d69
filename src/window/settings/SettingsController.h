#pragma once

#include "core/settings/Settings.h"

#include <QObject>

namespace talvor {
struct FormState;
}
namespace talvor {
class Dialogs;
}
class CaptionLabel;
class ColorSwatch;
class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTimer;

// Every control that holds a setting.
struct SettingsControls {
    QCheckBox *EnableAutoCheck;
    QScrollBar *HScroll1;
    CaptionLabel *M_refresh_rate;
    QLineEdit *SShistoryLen;
    QLineEdit *ssThreshold;
    QCheckBox *MinimizeStartup;
    QLineEdit *SearchText;
    QLineEdit *txtURL;
    QLabel *Ikon; // its font is the icon font
    ColorSwatch *LeftColor;
    ColorSwatch *RightColor;
    ColorSwatch *LeftColorBad;
    ColorSwatch *RightColorBad;
    QCheckBox *ShowInSystemTray;
    QCheckBox *DoLogFile;
    QCheckBox *NotifyAlerts;
};

// Loads the settings into the window's controls, saves them from there, and
// keeps track of unsaved changes so the user is asked before they are lost.
class SettingsController : public QObject {
    Q_OBJECT
public:
    SettingsController(talvor::FormState &form, const SettingsControls &controls, talvor::Dialogs &dialogs,
                       QObject *parent = nullptr);

    void LoadSettings();
    void SaveSettings();
    void PromptSaveSettings();
    // Forgets the file, so the next load applies and writes the defaults.
    void forgetSettingsFile();

    // What the controls hold now, as the file would store it.
    talvor::Settings currentSettings() const;
    void markChanged(qint16 code);

signals:
    // The settings file now holds what the controls show.
    void saved();

private:
    void applyDefaults();
    void applyFields(const QList<talvor::SettingsField> &fields);

    talvor::FormState &m_form;
    SettingsControls m_c;
    talvor::Dialogs &m_dialogs;
};
