#include "Autostart.h"

#include <QDir>
#include <QStandardPaths>

namespace talvor {

namespace {
// An argument of Exec: quoted, with the characters desktop entries reserve escaped.
QString quoted(const QString &argument)
{
    QString escaped = argument;
    for (const QChar c : {u'\\', u'"', u'`', u'$'})
        escaped.replace(c, QStringLiteral("\\") + c);
    return u'"' + escaped + u'"';
}
} // namespace

QString autostartPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart/io.github.talvor.Talvor.desktop"));
}

QByteArray autostartEntry(const QString &program, const QString &talvorHome)
{
    QString exec = quoted(program);
    if (!talvorHome.isEmpty())
        exec = QStringLiteral("env ") + quoted(QStringLiteral("TALVOR_HOME=") + talvorHome) + u' ' + exec;
    // The file's own escapes come on top of the quoting: a value's
    // backslashes doubled, and % kept from reading as a field code.
    exec.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("%%"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Talvor\n"
                          "Comment=Watch the signal strength of a satellite modem from its status page\n"
                          "Exec=%1\n"
                          "Icon=talvor\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(exec)
        .toUtf8();
}

} // namespace talvor
