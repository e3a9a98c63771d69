#pragma once

#include <QByteArray>
#include <QString>

namespace talvor {

// Where the desktop looks for programs to start at login:
// $XDG_CONFIG_HOME/autostart/io.github.talvor.Talvor.desktop.
QString autostartPath();
// The entry that starts `program` (this copy, with its TALVOR_HOME when one
// is set); quoted as freedesktop.org desktop entries want.
QByteArray autostartEntry(const QString &program, const QString &talvorHome);

} // namespace talvor
