#pragma once

#include <QLabel>

// A label whose caption is a value other code reacts to: every assignment of
// the caption raises Change, as a user's edit of a text box would.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    void setCaption(const QString &caption)
    {
        setText(caption);
        emit Change();
    }

signals:
    void Change();
};
