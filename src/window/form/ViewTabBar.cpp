#include "ViewTabBar.h"

#include <QEvent>
#include <QPaintEvent>
#include <QStyleOptionTab>
#include <QStylePainter>

void ViewTabBar::paintEvent(QPaintEvent *event)
{
    QStylePainter p(this);
    QStyleOptionTabBarBase base;
    base.initFrom(this);
    base.shape = shape();
    base.documentMode = documentMode();
    for (int i = 0; i < count(); ++i)
        base.tabBarRect |= tabRect(i);
    base.selectedTabRect = tabRect(currentIndex());
    if (drawBase())
        p.drawPrimitive(QStyle::PE_FrameTabBarBase, base);

    // The selected tab overlaps its neighbours, so it comes last.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < count(); ++i) {
            if ((i == currentIndex()) != (pass == 1))
                continue;
            QStyleOptionTab option;
            initStyleOption(&option, i);
            if (!option.rect.intersects(event->rect()))
                continue;
            // The first caption is new with almost every reading: a picture
            // of it would be drawn, copied once and kept for nothing.
            if (i == 0)
                p.drawControl(QStyle::CE_TabBarTab, option);
            else
                p.drawPixmap(option.rect.topLeft(), tabPicture(option));
        }
    }
}

QPixmap ViewTabBar::tabPicture(const QStyleOptionTab &option)
{
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6x%7")
                            .arg(option.text)
                            .arg(int(option.state))
                            .arg(int(option.position))
                            .arg(int(option.selectedPosition))
                            .arg(int(option.cornerWidgets))
                            .arg(option.rect.width())
                            .arg(option.rect.height());
    auto found = m_pictures.constFind(key);
    if (found != m_pictures.constEnd())
        return *found;
    // A few states (selected, hovered, pressed) of each tab.
    if (m_pictures.size() > 32)
        m_pictures.clear();
    const qreal ratio = devicePixelRatio();
    QPixmap picture(option.rect.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QStyleOptionTab atOrigin = option;
    atOrigin.rect.moveTo(0, 0);
    style()->drawControl(QStyle::CE_TabBarTab, &atOrigin, &painter, this);
    painter.end();
    return *m_pictures.insert(key, picture);
}

QSize ViewTabBar::tabSizeHint(int index) const
{
    const QString text = tabText(index);
    auto found = m_sizes.constFind(text);
    if (found != m_sizes.constEnd())
        return *found;
    if (m_sizes.size() > 256)
        m_sizes.clear();
    return *m_sizes.insert(text, QTabBar::tabSizeHint(index));
}

void ViewTabBar::changeEvent(QEvent *event)
{
    // Anything that changes how tabs look makes the pictures stale.
    switch (event->type()) {
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
        m_pictures.clear();
        m_sizes.clear();
        break;
    default:
        break;
    }
    QTabBar::changeEvent(event);
}
