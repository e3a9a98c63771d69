#include "QtDialogs.h"

#include "core/ColorValue.h"

#include <QColorDialog>
#include <QFontDialog>
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

std::optional<FontChoice> QtDialogs::chooseFont(const FontChoice &initial)
{
    QFont font(initial.name);
    font.setPointSizeF(initial.size);
    font.setItalic(initial.italic);
    font.setBold(initial.bold);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, m_parent);
    if (!ok)
        return std::nullopt;
    return FontChoice{chosen.family(), float(chosen.pointSizeF()), chosen.bold(), chosen.italic()};
}

std::optional<quint32> QtDialogs::chooseColor()
{
    using namespace talvor;
    // The chooser opens on the colour it gave last time.
    const QColor chosen = QColorDialog::getColor(QColor(redOf(m_lastColor), greenOf(m_lastColor), blueOf(m_lastColor)), m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    m_lastColor = rgbValue(chosen.red(), chosen.green(), chosen.blue());
    return m_lastColor;
}
