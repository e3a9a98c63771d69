#pragma once

#include "FontChoice.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace talvor {

// The persisted settings, in the order of the settings file: the sixteen
// every Talvor reads, then two that readers of only those sixteen pass over.
struct Settings {
    qint16 EnableAutoCheck = 1;
    QString M_refresh_rate = QStringLiteral("50"); // tenths of a second
    QString SShistoryLen = QStringLiteral("200");
    QString ssThreshold = QStringLiteral("50");
    qint16 MinimizeStartup = 0;
    QString SearchText;
    QString txtURL;
    FontChoice font{QStringLiteral("Arial"), 15.75f, false, false};
    qint32 LeftColor = 0;
    qint32 RightColor = 0;
    qint32 LeftColorBad = 0;
    qint32 RightColorBad = 0;
    qint16 ShowInSystemTray = 0;
    qint16 DoLogFile = 0;    // field 17: logging stays on across starts
    qint16 NotifyAlerts = 0; // field 18: desktop notifications of changes
};

// Defaults of a first start. The modem's status page lives on its LAN address.
extern const QString DefaultSearchText;
extern const QString DefaultStatusUrl;
constexpr qint32 DefaultLeftColor = qint32(0x80000007u); // the desktop's menu-text colour
constexpr qint32 DefaultRightColor = 0x00C000;           // green
constexpr qint32 DefaultLeftColorBad = 0xFFFFFF;         // white
constexpr qint32 DefaultRightColorBad = 0x0000FF;        // red

// The settings of a first start, as the file written then holds them.
Settings firstStartSettings();

// One field as read from the file: a quoted text, or the bare text of a
// number or #TRUE#/#FALSE#; an empty bare text is an empty field.
struct SettingsField {
    QString text;
    bool quoted = false;
    bool isEmpty() const { return text.isEmpty(); }
    // Numbers, #TRUE# as -1 and #FALSE# as 0; a text that is no number gives 0.
    double number() const;
    bool boolean() const;
};

constexpr int MaxSettingsFields = 20;

// The file's one line: fields separated by commas, texts in double quotes
// (a quote inside doubled), CR LF at the end, one byte per character.
QByteArray writeSettingsLine(const Settings &settings);

// True when every character fits the file's single bytes.
bool isLatin1(QStringView text);
// An address as the file can keep it: one with characters outside Latin-1 is
// stored percent-encoded, which still reaches the same page.
QString storableUrl(const QString &address);

// Every field of the file, in order and across lines; a UTF-8 byte-order mark
// before them is skipped. Empty when the file holds more fields than the
// program has ever written there, or is not single-byte text (UTF-16, a NUL).
std::optional<QList<SettingsField>> readSettingsFields(const QByteArray &content);

} // namespace talvor
