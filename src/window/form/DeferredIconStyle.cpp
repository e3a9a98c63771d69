#include "DeferredIconStyle.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>

namespace {

// Stands for a standard icon of the base style until something needs its
// pixels or sizes. Only the direction of the asking widget is kept: the
// arrow points the other way in right-to-left layouts.
class DeferredIcon : public QIconEngine {
public:
    DeferredIcon(QStyle *style, QStyle::StandardPixmap which, Qt::LayoutDirection direction)
        : m_style(style)
        , m_which(which)
    {
        m_option.direction = direction;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("DeferredIcon"); }
    QIconEngine *clone() const override { return new DeferredIcon(*this); }

private:
    const QIcon &icon()
    {
        if (!m_looked && m_style)
            m_icon = m_style->standardIcon(m_which, &m_option);
        m_looked = true;
        return m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QStyleOption m_option;
    QIcon m_icon;
    bool m_looked = false;
};

} // namespace

DeferredIconStyle::DeferredIconStyle(QStyle *base)
    : QProxyStyle(base)
{
}

QIcon DeferredIconStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    if (which != SP_ToolBarHorizontalExtensionButton && which != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(which, option, widget);
    Qt::LayoutDirection direction = QGuiApplication::layoutDirection();
    if (option)
        direction = option->direction;
    else if (widget)
        direction = widget->layoutDirection();
    return QIcon(new DeferredIcon(baseStyle(), which, direction));
}
