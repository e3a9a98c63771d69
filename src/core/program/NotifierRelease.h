#pragma once

#include <QSocketNotifier>

#include <memory>

namespace talvor {

// Stops watching a socket. The notifier may be the one whose signal is
// running now, so it goes once the event loop has it back.
inline void releaseNotifier(std::unique_ptr<QSocketNotifier> &notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

} // namespace talvor
