#include "FontChoice.h"

#include "core/reading/Numbers.h"

QString talvor::fontDescription(const QString &name, float size, bool bold, bool italic, QChar decimalPoint)
{
    QString sizeText = shortestText(size);
    sizeText.replace(u'.', decimalPoint);
    return name + u' ' + sizeText + u' ' + (bold ? QStringLiteral(" Bold") : QString()) + u' '
        + (italic ? QStringLiteral(" Italic") : QString());
}
