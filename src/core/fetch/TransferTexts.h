#pragma once

#include <QString>
#include <QtGlobal>

namespace talvor {

// The page-view line for a transfer state other than 12 (completion, whose
// line carries the page body and is built by completionText).
QString stateMessage(qint16 state);

// Everything appended for state 12: the body, CR LF and the completion line.
QString completionText(const QString &body);

// The line shown when a request cannot start, for the transfer error number.
QString transferErrorMessage(qint32 number);
// The modem's address as it may be shown or written anywhere: without a
// user name and password written into it ("http://admin:pw@host/" gives
// "http://host/").
QString addressShown(const QString &url);

// Why a poll gave no reading when the modem answered but would not give its
// page: the words, and which of the kinds a report tells apart they are.
QString loginRefusedText();
// A form login refused: "The modem refused the login: <what it said>".
QString formLoginRefusedText(const QString &said);
QString loginNeededText(const QString &loginFile);
QString errorStatusText(const QString &status); // "503 Service Unavailable"
enum class FailureCause { NoAnswer, LoginRefused, ErrorStatus };
FailureCause failureCause(const QString &reason);

} // namespace talvor
