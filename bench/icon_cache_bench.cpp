// Time to draw the whole icon cache (101 icons and the negative one), spread
// over the first readings of each value since start-up and every colour or
// font change only set the look.
#include "BenchSupport.h"
#include "window/tray/IconDesigner.h"

#include <QApplication>
#include <QElapsedTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir home;
    auto window = benchWindow(home);
    if (!window)
        return 1;
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < 50; ++i) {
        timer.start();
        window->designer().BuildIconCache();
        for (int v = -1; v < IconCache::Count; ++v)
            window->designer().IconStorage().icon(v);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("icon_cache_ms median=%.2f p90=%.2f\n", percentile(ms, 0.5), percentile(ms, 0.9));
    return 0;
}
