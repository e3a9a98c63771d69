#include "QtDialogs.h"

#include "core/settings/ColorValue.h"
#include "window/form/IconFont.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QMessageBox>

bool QtDialogs::askYesNo(const QString &text, const QString &title)
{
    return QMessageBox::question(m_parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

void QtDialogs::warn(const QString &text, const QString &title)
{
    QMessageBox::warning(m_parent, title, text);
}

std::optional<talvor::FontChoice> QtDialogs::chooseFont(const talvor::FontChoice &initial)
{
    // The dialog lists the desktop's names for fonts (a metric alias for
    // Arial, say) and knows whole points: it opens on the font the icon is
    // really drawn with, and what it shows before the user does anything
    // stands for the exact font it was given.
    QFont start = withFontChoice(QFont(), initial);
    start.setFamily(QFontInfo(start).family());
    QFontDialog dialog(start, m_parent);
    const QFont shown = dialog.currentFont();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont chosen = dialog.selectedFont();
    if (fontChoiceOf(chosen) == fontChoiceOf(shown))
        return initial;
    return fontChoiceOf(chosen);
}

std::optional<quint32> QtDialogs::chooseColor()
{
    using namespace talvor;
    // The chooser opens on the colour it gave last time.
    const QColor chosen =
        QColorDialog::getColor(QColor(redOf(m_lastColor), greenOf(m_lastColor), blueOf(m_lastColor)), m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    m_lastColor = rgbValue(chosen.red(), chosen.green(), chosen.blue());
    return m_lastColor;
}
