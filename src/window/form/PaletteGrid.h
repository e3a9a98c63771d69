#pragma once

#include <QWidget>

#include <vector>

class ColorSwatch;

// The icon designer's colour cells as one control for the keyboard: arrow
// keys move a marked cell; Space or Enter acts as a left click (the number
// colour), Shift+Enter or the menu key as a right click (the background), and
// Enter twice within the double-click time as a double-click, as the mouse
// does on the cells themselves.
class PaletteGrid : public QWidget {
    Q_OBJECT
public:
    PaletteGrid(int columns, int rows, QWidget *parent = nullptr);

    // The cell at a place of the grid; every place gets one.
    void setCell(int column, int row, ColorSwatch *cell);
    ColorSwatch *currentCell() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void moveTo(int column, int row);

    int m_columns;
    int m_rows;
    std::vector<ColorSwatch *> m_cells;
    int m_column = 0;
    int m_row = 0;
    qint64 m_lastEnterMs = -1;
};
