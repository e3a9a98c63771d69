#include "ColorSwatch.h"

#include "core/settings/ColorValue.h"

#include <QMouseEvent>
#include <QPainter>

QColor resolveColor(quint32 value, const QPalette &palette)
{
    using namespace talvor;
    if (!isSystemColor(value))
        return QColor(redOf(value), greenOf(value), blueOf(value));
    switch (systemColorIndex(value)) {
    case 1:
    case 12:
        return palette.color(QPalette::Dark); // desktop, app workspace
    case 2:
    case 13:
        return palette.color(QPalette::Highlight); // active caption, highlight
    case 9:
    case 14:
        return palette.color(QPalette::HighlightedText); // caption text, highlighted text
    case 3:
    case 16:
        return palette.color(QPalette::Mid); // inactive caption, button shadow
    case 4:
    case 15:
    case 0:
    case 10:
    case 11:
        return palette.color(QPalette::Button);
    case 5:
        return palette.color(QPalette::Base); // window background
    case 7:
        return palette.color(QPalette::Text); // menu text
    case 17:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return palette.color(QPalette::ButtonText);
    case 20:
        return palette.color(QPalette::Light);
    case 21:
        return palette.color(QPalette::Shadow);
    case 22:
        return palette.color(QPalette::Midlight);
    case 23:
        return palette.color(QPalette::ToolTipText);
    case 24:
        return palette.color(QPalette::ToolTipBase);
    default:
        return palette.color(QPalette::WindowText);
    }
}

ColorSwatch::ColorSwatch(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMinimumSize(17, 17);
}

void ColorSwatch::setMarked(bool marked)
{
    m_marked = marked;
    update();
}

void ColorSwatch::setColorValue(quint32 value)
{
    m_value = value;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor fill = color();
    p.fillRect(contentsRect(), fill);
    // The border comes from the palette's mid or dark role, whichever stands
    // out more from the cell: white cells on a dark theme keep their lines.
    const QColor mid = palette().color(QPalette::Mid);
    const QColor dark = palette().color(QPalette::Dark);
    const auto contrast = [&fill](const QColor &c) { return qAbs(c.lightness() - fill.lightness()); };
    p.setPen(contrast(mid) > contrast(dark) ? mid : dark);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_marked) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 3));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void ColorSwatch::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event->button());
    QFrame::mousePressEvent(event);
}

void ColorSwatch::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    event->accept();
}
