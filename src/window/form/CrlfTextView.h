#pragma once

#include <QPlainTextEdit>
#include <QString>

// A read-only text whose lines end with CR LF, as the program writes and
// searches it (the page view Info_HTML, the help text). The widget shows the
// same lines with the control characters made harmless.
class CrlfTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CrlfTextView(QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    void replaceText(const QString &text);
    void appendText(const QString &text);
    // Appends the line and its CR LF.
    void appendLine(const QString &line) { appendText(line + QStringLiteral("\r\n")); }

private:
    static QString forDisplay(const QString &text);
    QString m_text;
};
