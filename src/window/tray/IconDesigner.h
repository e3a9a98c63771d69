#pragma once

#include "IconRendering.h"
#include "window/form/FormPart.h"

#include <array>
#include <functional>

namespace talvor {
struct FormState;
}
namespace talvor {
class Dialogs;
}
class ColorSwatch;
class QCheckBox;
class QLabel;
class QLineEdit;

// The controls of the designer, and the two it reads the icons' text from.
struct DesignerControls {
    QLabel *Ikon; // the icon preview; its font is the icon font
    ColorSwatch *LeftColor;
    ColorSwatch *RightColor;
    ColorSwatch *LeftColorBad;
    ColorSwatch *RightColorBad;
    QCheckBox *EnableBad;
    std::array<ColorSwatch *, 48> Color;
    QLabel *Font_Selected;
    QLabel *Talvor;
    QLineEdit *ssThreshold;
};

// The tray icon's look: four colours and a font chosen in the designer, and
// the cache of icons drawn with them.
class IconDesigner : public FormPart {
    Q_OBJECT
public:
    IconDesigner(talvor::FormState &form, const DesignerControls &controls, talvor::Dialogs &dialogs,
                 QObject *parent = nullptr);

    void BuildIconCache();
    void ShowFontDescription();
    void InitPalette();
    void EnableBad_Click();
    // button: 1 left, 2 right, 4 middle.
    void Color_MouseDown(int index, int button);
    void Color_DblClick(int index);
    void Font_Selected_Click();

    // The preview shows the icon of the current reading.
    void showReadingIcon();
    // Icons drawn from now on take this threshold's colours.
    void setThreshold(double threshold);
    const IconCache &IconStorage() const { return m_cache; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QColor colourOf(const ColorSwatch *swatch) const;

    talvor::FormState &m_form;
    DesignerControls m_c;
    talvor::Dialogs &m_dialogs;
    IconCache m_cache;
};
