#include "CrlfTextView.h"

#include <QTextCursor>

CrlfTextView::CrlfTextView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
}

void CrlfTextView::replaceText(const QString &text)
{
    m_text = text;
    setPlainText(forDisplay(text));
}

void CrlfTextView::appendText(const QString &text)
{
    m_text += text;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(forDisplay(text));
}

QString CrlfTextView::forDisplay(const QString &text)
{
    QString shown = text;
    // The editor would turn CR and LF each into a line break of its own.
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(u'\r', u'\n');
    shown.replace(QChar(0), QChar(0x2400));
    return shown;
}
