#pragma once

#include <QPlainTextEdit>
#include <QString>

// The page view (Info_HTML): a read-only transcript of the latest request.
// Its text, with CR LF line ends, is what the reading is searched in; the
// widget shows the same lines with the control characters made harmless.
class PageView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    void replaceText(const QString &text);
    void appendText(const QString &text);
    // Appends the line and its CR LF.
    void appendLine(const QString &line) { appendText(line + QStringLiteral("\r\n")); }

private:
    static QString forDisplay(const QString &text);
    QString m_text;
};
