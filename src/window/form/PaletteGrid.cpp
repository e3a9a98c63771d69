#include "PaletteGrid.h"

#include "ColorSwatch.h"

#include <QAccessible>
#include <QDateTime>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStyleHints>

PaletteGrid::PaletteGrid(int columns, int rows, QWidget *parent)
    : QWidget(parent)
    , m_columns(columns)
    , m_rows(rows)
    , m_cells(size_t(columns * rows), nullptr)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PaletteGrid::setCell(int column, int row, ColorSwatch *cell)
{
    m_cells[size_t(row * m_columns + column)] = cell;
}

ColorSwatch *PaletteGrid::currentCell() const
{
    return m_cells[size_t(m_row * m_columns + m_column)];
}

void PaletteGrid::moveTo(int column, int row)
{
    currentCell()->setMarked(false);
    m_column = qBound(0, column, m_columns - 1);
    m_row = qBound(0, row, m_rows - 1);
    m_lastEnterMs = -1;
    currentCell()->setMarked(hasFocus());
    // A screen reader follows the marked cell.
    setAccessibleDescription(currentCell()->accessibleName());
    QAccessibleEvent moved(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&moved);
}

void PaletteGrid::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    switch (event->key()) {
    case Qt::Key_Left:
        return moveTo(m_column - 1, m_row);
    case Qt::Key_Right:
        return moveTo(m_column + 1, m_row);
    case Qt::Key_Up:
        return moveTo(m_column, m_row - 1);
    case Qt::Key_Down:
        return moveTo(m_column, m_row + 1);
    case Qt::Key_Home:
        return moveTo(0, m_row);
    case Qt::Key_End:
        return moveTo(m_columns - 1, m_row);
    case Qt::Key_Menu:
        return currentCell()->press(Qt::RightButton);
    case Qt::Key_Space:
        return currentCell()->press(Qt::LeftButton);
    default:
        break;
    }
    if (!enter)
        return QWidget::keyPressEvent(event);
    if (event->modifiers() & Qt::ShiftModifier)
        return currentCell()->press(Qt::RightButton);
    // The mouse's second press of a double-click comes as the double-click alone.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_lastEnterMs >= 0 && now - m_lastEnterMs <= QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
        m_lastEnterMs = -1;
        return currentCell()->doubleClick();
    }
    m_lastEnterMs = now;
    currentCell()->press(Qt::LeftButton);
}

void PaletteGrid::focusInEvent(QFocusEvent *event)
{
    currentCell()->setMarked(true);
    setAccessibleDescription(currentCell()->accessibleName());
    QWidget::focusInEvent(event);
}

void PaletteGrid::focusOutEvent(QFocusEvent *event)
{
    currentCell()->setMarked(false);
    QWidget::focusOutEvent(event);
}
