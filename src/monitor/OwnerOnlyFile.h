#pragma once

#include <QString>

#include <functional>

class QSettings;

// Settings files that may hold a password (Sharing.ini, Modem.ini), kept
// readable by their owner alone.

// Writes keys into the program folder's file, made owner-only from its first
// byte. An error text, empty when written.
QString writeOwnerOnly(const QString &fileName, const std::function<void(QSettings &)> &write);
// A file written by hand may be readable by anyone on the machine: made
// owner-only. What was done, for the page view; empty when nothing was needed.
QString keepToOwner(const QString &path);
