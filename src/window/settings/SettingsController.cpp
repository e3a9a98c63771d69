#include "SettingsController.h"

#include "core/program/ProgramFolder.h"
#include "core/reading/Numbers.h"
#include "core/settings/ChangeCodes.h"
#include "core/settings/Dialogs.h"
#include "core/settings/FormState.h"
#include "core/settings/SettingsFile.h"
#include "window/form/CaptionLabel.h"
#include "window/form/ColorSwatch.h"
#include "window/form/ControlBuilding.h"
#include "window/form/IconFont.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

using namespace talvor;

namespace {

// Black below-threshold colours are written as this nearly-black value:
// every reader of the file takes 0 there for "not stored".
constexpr quint32 StoredBlack = 1;

qint16 checkState(const QCheckBox *box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

SettingsController::SettingsController(talvor::FormState &form, const SettingsControls &controls,
                                       talvor::Dialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_c(controls)
    , m_dialogs(dialogs)
{
    connect(m_c.SearchText, &QLineEdit::textChanged, this, [this] { markChanged(SearchTextChanged); });
    connect(m_c.txtURL, &QLineEdit::textChanged, this, [this] { markChanged(UrlChanged); });
    connect(m_c.MinimizeStartup, &QCheckBox::toggled, this, [this] { markChanged(MinimizeStartupChanged); });
}

void SettingsController::markChanged(qint16 code)
{
    m_form.SettingsDirty = code;
}

void SettingsController::LoadSettings()
{
    const SettingsRead read = readSettingsFile();
    switch (read.outcome) {
    case SettingsRead::Read:
        applyFields(read.fields);
        return;
    case SettingsRead::Unreadable:
        // A hand-edited file with one comma too many is kept for its owner;
        // where it cannot be moved, it is not overwritten either.
        if (const QString error = setAsideSettingsFile(); !error.isEmpty()) {
            m_dialogs.warn(error, QStringLiteral("Talvor"));
            applyDefaults();
            return;
        }
        break;
    case SettingsRead::TooLarge:
        if (const QString error = setAsideSettingsFile(); !error.isEmpty()) {
            m_dialogs.warn(error, QStringLiteral("Talvor"));
            applyDefaults();
            return;
        }
        m_dialogs.warn(QStringLiteral("%1 is larger than any settings file Talvor writes; it is kept as %2 and the "
                                      "default settings are used.")
                           .arg(programFile(SettingsFileName), programFile(SettingsSetAsideName)),
                       QStringLiteral("Talvor"));
        break;
    case SettingsRead::Missing:
        break;
    }
    applyDefaults();
    SaveSettings();
}

void SettingsController::applyDefaults()
{
    const talvor::Settings defaults = firstStartSettings();
    const int tenths = int(leadingNumber(defaults.M_refresh_rate));
    m_c.HScroll1->setValue(tenths);
    m_c.EnableAutoCheck->setChecked(defaults.EnableAutoCheck != 0);
    m_c.M_refresh_rate->setCaption(QString::number(tenths));
    putText(m_c.SShistoryLen, defaults.SShistoryLen);
    putText(m_c.ssThreshold, defaults.ssThreshold);
    m_c.MinimizeStartup->setChecked(defaults.MinimizeStartup != 0);
    putText(m_c.SearchText, defaults.SearchText);
    putText(m_c.txtURL, defaults.txtURL);
    m_c.LeftColor->setColorValue(quint32(defaults.LeftColor));
    m_c.RightColor->setColorValue(quint32(defaults.RightColor));
    m_c.LeftColorBad->setColorValue(quint32(defaults.LeftColorBad));
    m_c.RightColorBad->setColorValue(quint32(defaults.RightColorBad));
    // Logging and alerts are left as they are: a fresh window has them off,
    // and "Reset to Default" is about the look and the polling, not about
    // the user's records.
}

void SettingsController::applyFields(const QList<SettingsField> &read)
{
    QList<SettingsField> v = read;
    v.resize(MaxSettingsFields);
    // v[k] is the value at position k + 1 of the file.
    const int tenths = refreshTenths(v[1]);
    m_c.M_refresh_rate->setCaption(QString::number(tenths));
    putText(m_c.SShistoryLen, v[2].text);
    putText(m_c.ssThreshold, v[3].text);
    m_c.MinimizeStartup->setChecked(v[4].number() != 0);
    putText(m_c.SearchText, v[5].text);
    putText(m_c.txtURL, v[6].text);

    talvor::FontChoice font = fontChoiceOf(m_c.Ikon->font());
    if (!v[7].isEmpty())
        font.name = v[7].text;
    font.bold = v[8].boolean();
    font.italic = v[9].boolean();
    const double size = v[10].number();
    if (size > 0 && size < 1000)
        font.size = float(size);
    m_c.Ikon->setFont(withFontChoice(m_c.Ikon->font(), font));

    auto colour = [](const SettingsField &field, ColorSwatch *swatch) {
        if (const auto value = toInt32(field.number()))
            swatch->setColorValue(quint32(*value));
    };
    colour(v[11], m_c.LeftColor);
    colour(v[12], m_c.RightColor);
    // A 0 here means "not stored" to the program (files rely on that), so
    // black is stored as 1, which loads back as black.
    const auto badColour = [&colour](const SettingsField &field, ColorSwatch *swatch) {
        if (field.isEmpty() || field.number() == 0)
            return;
        colour(field, swatch);
        if (swatch->colorValue() == StoredBlack)
            swatch->setColorValue(0);
    };
    badColour(v[13], m_c.LeftColorBad);
    badColour(v[14], m_c.RightColorBad);
    if (!v[15].isEmpty() && v[15].number() != 0)
        m_c.ShowInSystemTray->setChecked(true);
    // Files from before these two fields existed have them missing: off.
    m_c.DoLogFile->setChecked(v[16].number() != 0);
    m_c.NotifyAlerts->setChecked(v[17].number() != 0);

    m_c.HScroll1->setValue(tenths);
    m_c.EnableAutoCheck->setChecked(v[0].number() != 0);
}

talvor::Settings SettingsController::currentSettings() const
{
    talvor::Settings s;
    s.EnableAutoCheck = checkState(m_c.EnableAutoCheck);
    s.M_refresh_rate = m_c.M_refresh_rate->text();
    s.SShistoryLen = m_c.SShistoryLen->text();
    s.ssThreshold = m_c.ssThreshold->text();
    s.MinimizeStartup = checkState(m_c.MinimizeStartup);
    s.SearchText = m_c.SearchText->text();
    s.txtURL = storableUrl(m_c.txtURL->text());
    s.font = fontChoiceOf(m_c.Ikon->font());
    s.LeftColor = qint32(m_c.LeftColor->colorValue());
    s.RightColor = qint32(m_c.RightColor->colorValue());
    const auto storedBad = [](const ColorSwatch *swatch) {
        return qint32(swatch->colorValue() == 0 ? StoredBlack : swatch->colorValue());
    };
    s.LeftColorBad = storedBad(m_c.LeftColorBad);
    s.RightColorBad = storedBad(m_c.RightColorBad);
    s.ShowInSystemTray = checkState(m_c.ShowInSystemTray);
    s.DoLogFile = checkState(m_c.DoLogFile);
    s.NotifyAlerts = checkState(m_c.NotifyAlerts);
    return s;
}

void SettingsController::SaveSettings()
{
    const talvor::Settings settings = currentSettings();
    if (!isLatin1(settings.SearchText))
        m_dialogs.warn(QStringLiteral("The search text \"%1\" has characters that %2 cannot hold; they are saved as "
                                      "\"?\", so after a restart it would look for other text. Change the search "
                                      "text and save again.")
                           .arg(settings.SearchText, SettingsFileName),
                       QStringLiteral("Talvor"));
    const QString error = writeSettingsFile(settings);
    if (!error.isEmpty())
        m_dialogs.warn(error, QStringLiteral("Talvor"));
    else
        emit saved();
}

void SettingsController::PromptSaveSettings()
{
    if (m_form.Loading)
        return;
    if (m_form.SettingsDirty > 0
        && m_dialogs.askYesNo(QStringLiteral("Save changes made to settings?"), QStringLiteral("Save Settings?")))
        SaveSettings();
    m_form.SettingsDirty = 0;
}

void SettingsController::forgetSettingsFile()
{
    if (!programFileExists(SettingsFileName))
        return;
    if (const QString error = deleteSettingsFile(); !error.isEmpty())
        m_dialogs.warn(error, QStringLiteral("Talvor"));
}
