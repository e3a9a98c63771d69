#pragma once

#include <QString>

#include <functional>

// One poll of the modem with the folder's settings, told step by step as
// the page view tells it (the login's steps, the status page's answer, what
// the reading rule and each named value found), with the password, the
// login's token and the cookies' values never in it. For `talvor --check`.
// Each line goes to `say`; true when a reading came.
bool checkPage(const std::function<void(const QString &)> &say);
