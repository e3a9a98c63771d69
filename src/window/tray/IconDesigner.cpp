#include "IconDesigner.h"

#include "core/reading/Numbers.h"
#include "core/settings/ChangeCodes.h"
#include "core/settings/Dialogs.h"
#include "core/settings/FormState.h"
#include "core/settings/Palette.h"
#include "window/form/ColorSwatch.h"
#include "window/form/IconFont.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>

IconDesigner::IconDesigner(talvor::FormState &form, const DesignerControls &controls, talvor::Dialogs &dialogs,
                           QObject *parent)
    : FormPart(parent)
    , m_form(form)
    , m_c(controls)
    , m_dialogs(dialogs)
{
    connect(m_c.EnableBad, &QCheckBox::toggled, this, &IconDesigner::EnableBad_Click);
    for (int i = 0; i < int(m_c.Color.size()); ++i) {
        ColorSwatch *cell = m_c.Color[size_t(i)];
        connect(cell, &ColorSwatch::mousePressed, this, [this, i](Qt::MouseButton button) {
            Color_MouseDown(i, button == Qt::LeftButton ? 1 : button == Qt::RightButton ? 2 : 4);
        });
        connect(cell, &ColorSwatch::doubleClicked, this, [this, i] { Color_DblClick(i); });
    }
    m_c.Font_Selected->installEventFilter(this);
}

bool IconDesigner::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_c.Font_Selected)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease
        && m_c.Font_Selected->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
        Font_Selected_Click();
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            Font_Selected_Click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

QColor IconDesigner::colourOf(const ColorSwatch *swatch) const
{
    return swatch->color();
}

void IconDesigner::BuildIconCache()
{
    // The icons take the colours, threshold and font of now, however late a
    // reading first asks for one; the form is left as drawing them all in a
    // row from 0 to 100 would leave it.
    m_form.IconIndex = IconCache::Count;
    m_c.Talvor->setText(QString::number(IconCache::Count - 1));
    m_cache.redesign({colourOf(m_c.RightColor), colourOf(m_c.LeftColor), colourOf(m_c.RightColorBad),
                      colourOf(m_c.LeftColorBad), talvor::leadingNumber(m_c.ssThreshold->text()), m_c.Ikon->font(),
                      m_c.Ikon->devicePixelRatioF()});
    // The preview keeps the last drawing until the next reading.
    m_c.Ikon->setPixmap(m_cache.icon(100));
}

void IconDesigner::setThreshold(double threshold)
{
    IconCache::Design design = m_cache.design();
    if (design.threshold == threshold)
        return;
    design.threshold = threshold;
    m_cache.redesign(design);
    m_c.Ikon->setPixmap(m_cache.icon(m_form.IconIndex));
}

void IconDesigner::showReadingIcon()
{
    m_c.Ikon->setPixmap(m_cache.icon(m_form.IconIndex));
}

void IconDesigner::ShowFontDescription()
{
    const talvor::FontChoice font = fontChoiceOf(m_c.Ikon->font());
    m_c.Font_Selected->setText(
        talvor::fontDescription(font.name, font.size, font.bold, font.italic, QLocale().decimalPoint().front()));
}

void IconDesigner::InitPalette()
{
    for (int i = 0; i < 16; ++i)
        m_c.Color[size_t(i)]->setColorValue(talvor::standardColors[size_t(i)]);
    for (int i = talvor::FirstCustomCell; i < int(m_c.Color.size()); ++i)
        m_c.Color[size_t(i)]->setToolTip(QStringLiteral("Doubleclick for custom colors"));
}

void IconDesigner::EnableBad_Click()
{
    // Only which pair the palette edits; the icons stay as they are.
    const bool bad = m_c.EnableBad->isChecked();
    m_c.RightColorBad->setVisible(bad);
    m_c.LeftColorBad->setVisible(bad);
    m_c.RightColor->setVisible(!bad);
    m_c.LeftColor->setVisible(!bad);
}

void IconDesigner::Color_MouseDown(int index, int button)
{
    const bool bad = m_c.EnableBad->isChecked();
    ColorSwatch *target =
        button == 1 ? (bad ? m_c.LeftColorBad : m_c.LeftColor) : (bad ? m_c.RightColorBad : m_c.RightColor);
    target->setColorValue(m_c.Color[size_t(index)]->colorValue());
    BuildIconCache();
    emit settingsChanged(talvor::PaletteColourAssigned);
}

void IconDesigner::Color_DblClick(int index)
{
    if (index >= talvor::FirstCustomCell) {
        if (const auto chosen = m_dialogs.chooseColor()) {
            m_c.Color[size_t(index)]->setColorValue(*chosen);
            BuildIconCache();
        }
    }
    emit settingsChanged(talvor::CustomColourAssigned);
}

void IconDesigner::Font_Selected_Click()
{
    if (const auto chosen = m_dialogs.chooseFont(fontChoiceOf(m_c.Ikon->font()))) {
        m_c.Ikon->setFont(withFontChoice(m_c.Ikon->font(), *chosen));
        ShowFontDescription();
        BuildIconCache();
    }
    // Even a cancelled choice counts as a change, so the save prompt comes.
    emit settingsChanged(talvor::FontChosen);
}
