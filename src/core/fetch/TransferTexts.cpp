#include "TransferTexts.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace talvor {

QString stateMessage(qint16 state)
{
    static const char16_t *const texts[] = {
        u"No state information is available.",
        u"Looking up the IP address for the remote server.",
        u"Found the IP address for the remote server.",
        u"Connecting to the remote server.",
        u"Connected to the remote server.",
        u"Requesting information from the remote server.",
        u"The request was sent successfully to the remote server.",
        u"Receiving a response from the remote server.",
        u"The response was received successfully from the remote server.",
        // The trailing blanks are part of the text users have always seen.
        u"Disconnecting from the remote server.   ",
        u"Disconnected from the remote server.",
        u"An error has occurred while communicating with the remote server.",
    };
    if (state >= 0 && state < qint16(std::size(texts)))
        return QString::fromUtf16(texts[state]);
    return QStringLiteral("Unknown state: %1").arg(state);
}

QString completionText(const QString &body)
{
    return body + QStringLiteral("\r\nThe request was completed, all data has been received. ");
}

namespace {
struct ErrorRow {
    qint32 number;
    const char16_t *text;
};

// Sorted by number for the binary search below.
constexpr ErrorRow errorRows[] = {
    {7, u"Out of memory"},
    {10, u"The computer has been disconnected from the network."},
    {13, u"Type mismatch"},
    {380, u"Invalid property value"},
    {35750, u"Unable to open internet handle."},
    {35751, u"Unable to open URL"},
    {35752, u"URL is malformed"},
    {35753, u"Protocol not supported for this method"},
    {35754, u"Unable to connect to remote host"},
    {35755, u"No remote computer is specified"},
    {35756, u"Unable to complete request"},
    {35757, u"You must execute an operation before retrieving data"},
    {35758, u"Unable to retrieve data"},
    {35759, u"FTP command failed"},
    {35760, u"Cannot coerce type"},
    {35761, u"Request timed out"},
    {35762, u"Not a valid or supported command"},
    {35763, u"Invalid operation\u00A0 argument"},
    {35764, u"Still executing last request"},
    {35765, u"This call is not valid for an FTP connection"},
    {35767, u"Out of handles"},
    {35768, u"Timeout"},
    {35769, u"Extended error."},
    {35770, u"Internal error."},
    {35771, u"Invalid URL."},
    {35772, u"Unrecognized scheme"},
    {35773, u"Name not resolved."},
    {35774, u"Protocol not found."},
    {35775, u"Invalid option."},
    {35776, u"Bad option length."},
    {35777, u"Option not settable"},
    {35778, u"Shutdown"},
    {35779, u"Incorrect User name."},
    {35780, u"Incorrect password."},
    {35781, u"Login failure."},
    {35782, u"Invalid operation."},
    {35783, u"Operation cancelled."},
    {35784, u"incorrect handle type."},
    {35785, u"incorrect handle state."},
    {35786, u"Not a proxy."},
    {35787, u"Registry value not found."},
    {35788, u"bad registry parameter."},
    {35789, u"No direct access."},
    {35790, u"No context."},
    {35791, u"No callback."},
    {35792, u"Request pending."},
    {35793, u"Incorrect format."},
    {35794, u"Item not found."},
    {35795, u"Cannot connect."},
    {35796, u"Connection aborted."},
    {35797, u"Connection reset."},
    {35798, u"Force entry."},
    {35799, u"Invalid proxy request"},
    {35800, u"Would block."},
    {35802, u"Handle exists."},
    {35803, u"Security certificate date invalid."},
    {35804, u"Security certificate number invalid."},
    {35806, u"HTTPS to HTTP on redirect."},
    {35807, u"Mixed security"},
    {35808, u"Change post is not secure"},
    {35809, u"Post is non-secure."},
    {35810, u"Client authorization certificate needed."},
    {35811, u"Invalid client authorization."},
    {35812, u"Client Authorization not set up."},
    {35813, u"Async thread failed."},
    {35814, u"Redirect scheme change."},
    {35815, u"The operation is suspended until you dismiss an open dialog box."},
    {35816, u"Attempt the operation again."},
    {35818, u"You must reattempt the operation again because a security zone check failed."},
    {35819, u"The installable CD cache requires a CD-ROM to be present in the drive."},
    {35876, u"FTP: transfer in progress."},
    {35877, u"Connection dropped."},
    {35878,
     u"A PASSIVE mode connection was attempted (that is, the original connect request specified "
     u"INTERNET_FLAG_PASSIVE), but the server does not allow that mode."},
    {35896, u"Gopher: protocol error."},
    {35897, u"Gopher: not a file."},
    {35898, u"Gopher: data error."},
    {35899, u"Gopher: end of data."},
    {35900, u"Gopher: invalid locator."},
    {35901, u"Gopher: incorrect locator type."},
    {35902, u"Gopher: not Gopher plus."},
    {35903, u"Gopher: attribute not found."},
    {35904, u"Gopher: unknown locator."},
    {35916, u"HTTP: header not found."},
    {35917, u"HTTP: downlevel server."},
    {35918, u"HTTP: invalid server response."},
    {35919, u"HTTP: invalid header."},
    {35920, u"HTTP: invalid query request."},
    {35921, u"HTTP: Header already exists."},
    {35922, u"HTTP: redirect failed."},
    {35923, u"Security channel error."},
    {35924, u"Unable to cache file."},
    {35927, u"You must confirm a server-supplied cookie before the download can proceed."},
    {35928, u"A cookie supplied by the server was not accepted."},
    {35930,
     u"The requested server was unable to be connected to. This was determined by receipt of a WSAEHOSTUNREACH error "
     u"from WinSock."},
    {35931, u"The requested proxy server was unable to be reached."},
    {35932, u"There is an error in the proxy auto-configuration script, so the script cannot be run."},
    {35933, u"The required proxy auto-configuration file could not be retrieved."},
    {35934, u"You must confirm a protocol-level redirection before the download can proceed."},
    {35935, u"The certificate is invalid."},
    {35936, u"The certificate has been revoked."},
    {35937, u"The operation you attempted failed because it could not pass the security check."},
};
} // namespace

QString transferErrorMessage(qint32 number)
{
    const auto *end = std::end(errorRows);
    const auto *row =
        std::lower_bound(std::begin(errorRows), end, number, [](const ErrorRow &r, qint32 n) { return r.number < n; });
    if (row != end && row->number == number)
        return QString::fromUtf16(row->text);
    return QStringLiteral("Unknown error #%1").arg(number);
}

QString addressShown(const QString &url)
{
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    const qsizetype hostStart = scheme < 0 ? 0 : scheme + 3;
    qsizetype hostEnd = url.size();
    for (const QChar end : {u'/', u'?', u'#'})
        if (const qsizetype at = url.indexOf(end, hostStart); at >= 0)
            hostEnd = std::min(hostEnd, at);
    const qsizetype at = url.lastIndexOf(u'@', hostEnd - 1);
    if (at < hostStart)
        return url;
    return url.left(hostStart) + url.mid(at + 1);
}

QString loginRefusedText()
{
    return QStringLiteral("The modem refused the user name or password");
}

QString formLoginRefusedText(const QString &said)
{
    return QStringLiteral("The modem refused the login: %1").arg(said);
}

QString loginNeededText(const QString &loginFile)
{
    return QStringLiteral("The modem asks for a user name and password ([login] in %1)").arg(loginFile);
}

QString errorStatusText(const QString &status)
{
    return QStringLiteral("The modem answered %1").arg(status);
}

FailureCause failureCause(const QString &reason)
{
    if (reason == loginRefusedText() || reason.startsWith(loginNeededText({}).section(u'(', 0, 0))
        || reason.startsWith(formLoginRefusedText({})))
        return FailureCause::LoginRefused;
    if (reason.startsWith(errorStatusText({})))
        return FailureCause::ErrorStatus;
    return FailureCause::NoAnswer;
}

} // namespace talvor
