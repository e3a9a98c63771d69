#pragma once

#include <QHash>
#include <QPixmap>
#include <QTabBar>

// The tab strip. The first tab's caption changes with every reading; the
// other tabs are drawn once and then copied, and tab sizes are measured once
// per caption, so a new reading costs the drawing of one tab, not five.
class ViewTabBar : public QTabBar {
    Q_OBJECT
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPixmap tabPicture(const class QStyleOptionTab &option);
    QHash<QString, QPixmap> m_pictures;
    mutable QHash<QString, QSize> m_sizes;
};
