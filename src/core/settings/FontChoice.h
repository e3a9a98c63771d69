#pragma once

#include <QChar>
#include <QString>

namespace talvor {

// A font as the icon designer and the settings file know it.
struct FontChoice {
    QString name;
    float size = 15.75f; // points
    bool bold = false;
    bool italic = false;
    bool operator==(const FontChoice &) const = default;
};

// "Arial 22  Bold  Italic": name, size, then the styles, each behind a blank
// of its own and one more.
QString fontDescription(const QString &name, float size, bool bold, bool italic, QChar decimalPoint);
} // namespace talvor
