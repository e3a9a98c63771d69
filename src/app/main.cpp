#include "app/SingleInstance.h"
#include "app/Talvorf.h"
#include "core/ProgramFolder.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvor"));

    // A second start ends at once: no window, no file touched, no message.
    SingleInstance instance(talvor::programFolder());
    if (!instance.acquire())
        return 0;

    Talvorf window;
    window.Form_Load();
    if (!window.form.InTray)
        window.show();
    return app.exec();
}
