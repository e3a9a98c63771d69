#pragma once

#include "IconRendering.h"

#include <QObject>
#include <functional>

struct FormState;
struct FormControls;
class Dialogs;
class ColorSwatch;

// The tray icon's look: four colours and a font chosen in the designer, and
// the cache of icons drawn with them.
class IconDesigner : public QObject {
    Q_OBJECT
public:
    IconDesigner(FormState &form, const FormControls &controls, Dialogs &dialogs,
                 std::function<void(qint16)> markChanged, QObject *parent = nullptr);

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
    const IconCache &IconStorage() const { return m_cache; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QColor colourOf(const ColorSwatch *swatch) const;

    FormState &m_form;
    const FormControls &m_c;
    Dialogs &m_dialogs;
    std::function<void(qint16)> m_markChanged;
    IconCache m_cache;
};

namespace talvor {
// "Arial 22  Bold  Italic": name, size, then the styles, each behind a blank
// of its own and one more.
QString fontDescription(const QString &name, float size, bool bold, bool italic, QChar decimalPoint);
} // namespace talvor
