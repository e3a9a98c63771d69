// Prints where a person would click on Talvor's window, in window
// coordinates, so that scripts driving the real program from outside (with
// xdotool) can tick its check boxes:
//   talvor-control-centres
//   Options <x> <y>        the "Options" tab
//   DoLogFile <x> <y>      the log check box, once that tab is shown
// Lays the window out headless with the same fonts and geometry as a real run,
// in a settings folder of its own that nothing polls.
#include "app/Talvorf.h"
#include "core/settings/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTabBar>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void print(const char *name, const QWidget &window, const QWidget &control, const QRect &rect)
{
    const QPoint centre = control.mapTo(&window, rect.center());
    std::printf("%s %d %d\n", name, centre.x(), centre.y());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    // Polling off and the address on loopback: this window never fetches.
    talvor::Settings quiet = talvor::firstStartSettings();
    quiet.EnableAutoCheck = 0;
    quiet.txtURL = QStringLiteral("http://127.0.0.1:9/");
    QFile ini(QDir(home.path()).filePath(QStringLiteral("Talvor.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(talvor::writeSettingsLine(quiet)) < 0)
        return 1;
    ini.close();
    QApplication app(argc, argv);
    Talvorf window;
    window.Form_Load();
    window.show();
    QTabBar &tabs = *window.c.ChooseView;
    const int options = 2;
    print("Options", window, tabs, tabs.tabRect(options));
    tabs.setCurrentIndex(options);
    QCoreApplication::processEvents();
    QCheckBox &log = *window.c.DoLogFile;
    // The box itself, not the middle of a long caption.
    print("DoLogFile", window, log, QRect(0, 0, log.height(), log.height()));
    return 0;
}
