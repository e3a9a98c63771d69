// Time of one reading through the whole pipeline (title, history, chart refill
// and repaint, log line) with the window shown, at 200 and at 1000 rows.
// No network: readings are put in as the producers put them.
#include "BenchSupport.h"
#include "core/program/MemoryUse.h"
#include "window/history/HistogramChart.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

void measure(Talvorf &window, int rows, int readings)
{
    window.c.SShistoryLen->setText(QString::number(rows));
    QRandomGenerator random(42);
    auto next = [&] { window.c.Talvor->setText(QString::number(30 + random.bounded(61))); };
    // Fill the history first: a full chart is the steady state.
    for (int i = 0; i < rows; ++i) {
        next();
        window.ProcessNewReading();
    }
    std::vector<double> us, pipelineUs;
    us.reserve(size_t(readings));
    pipelineUs.reserve(size_t(readings));
    QElapsedTimer timer;
    for (int i = 0; i < readings; ++i) {
        next();
        timer.start();
        window.ProcessNewReading();
        pipelineUs.push_back(double(timer.nsecsElapsed()) / 1000.0);
        window.c.MSChart1->repaint();
        us.push_back(double(timer.nsecsElapsed()) / 1000.0);
        QCoreApplication::processEvents();
    }
    // The share before the repaint helps to see where the time goes.
    std::printf("pipeline_us rows=%d median=%.0f p90=%.0f\n", rows, percentile(pipelineUs, 0.5),
                percentile(pipelineUs, 0.9));
    std::printf("reading_us rows=%d median=%.0f p90=%.0f\n", rows, percentile(us, 0.5), percentile(us, 0.9));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program itself does.
    talvor::keepResidentMemoryLow();
    QApplication app(argc, argv);
    QTemporaryDir home;
    auto owned = shownLoggingWindow(home);
    if (!owned)
        return 1;
    Talvorf &window = *owned;

    measure(window, 200, 2000);
    measure(window, 1000, 1000);
    std::fflush(stdout);
    return 0;
}
