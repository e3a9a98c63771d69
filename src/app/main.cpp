#include "app/SessionEnd.h"
#include "app/SingleInstance.h"
#include "app/Talvorf.h"
#include "core/MemoryUse.h"
#include "core/ProgramFolder.h"
#include "tray/ProgramIcon.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepLargeBuffersOutOfHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvor"));
    QApplication::setDesktopFileName(QStringLiteral("talvor"));
    QApplication::setWindowIcon(programIcon());
    // Closing the last window hides it in the tray; only Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start ends at once: no window, no file touched, no message.
    SingleInstance instance(talvor::programFolder());
    if (!instance.acquire())
        return 0;

    Talvorf window;
    // An end asked for before the main loop runs, such as a session ending
    // while a start-up warning is open, only leaves that warning's loop: the
    // main loop must then not start at all.
    bool ended = false;
    window.endProcess = [&ended] {
        ended = true;
        QCoreApplication::exit(0);
    };
    SessionEnd sessionEnd([&window] { window.endSession(); });
    window.Form_Load();
    if (ended)
        return 0;
    if (!window.form.InTray && !window.isVisible())
        window.show();
    return app.exec();
}
