#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The settings line of a first start, with the status page on loopback.
inline QByteArray settingsLine(const QString &url, const QByteArray &refresh = "50", int autoCheck = 1)
{
    return QByteArray::number(autoCheck) + ",\"" + refresh + "\",\"200\",\"50\",0,\"Signal Strength.............. \",\""
        + url.toLatin1() + "\",\"Arial\",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,0\r\n";
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
