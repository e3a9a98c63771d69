#pragma once

#include <QColor>
#include <QFrame>
#include <QPalette>

// A colour as the desktop shows it now: system colour references are looked
// up in the application palette (number 7, menu text, is its text colour).
QColor resolveColor(quint32 value, const QPalette &palette);

// A small box whose colour is the setting it holds (LeftColor, RightColor, ...).
class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget *parent = nullptr);

    quint32 colorValue() const { return m_value; }
    void setColorValue(quint32 value);
    QColor color() const { return resolveColor(m_value, palette()); }
    // What a press and a double-click of the mouse do, for the keyboard too.
    void press(Qt::MouseButton button) { emit mousePressed(button); }
    void doubleClick() { emit doubleClicked(); }
    // The keyboard's place in a palette: drawn as a thick highlight frame.
    void setMarked(bool marked);

signals:
    void mousePressed(Qt::MouseButton button);
    // The second press of a double-click arrives here instead of as a press.
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    quint32 m_value = 0;
    bool m_marked = false;
};
