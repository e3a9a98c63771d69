// Time of one reading through the whole pipeline (title, history, chart refill
// and repaint, log line) with the window shown, at 200 and at 1000 rows.
// No network: readings are put in as the producers put them.
#include "app/Talvorf.h"
#include "history/HistogramChart.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Every test dialog answers "no"; a benchmark never waits on a person.
class SilentDialogs : public Dialogs {
public:
    bool askYesNo(const QString &, const QString &) override { return false; }
    void warn(const QString &text, const QString &) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    std::optional<FontChoice> chooseFont(const FontChoice &) override { return std::nullopt; }
    std::optional<quint32> chooseColor() override { return std::nullopt; }
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

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
    std::printf("pipeline_us rows=%d median=%.0f p90=%.0f\n", rows, percentile(pipelineUs, 0.5), percentile(pipelineUs, 0.9));
    std::printf("reading_us rows=%d median=%.0f p90=%.0f\n", rows, percentile(us, 0.5), percentile(us, 0.9));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    QFile ini(QDir(home.path()).filePath("Talvor.ini"));
    // Polling off, address on loopback: nothing here touches the network.
    if (!ini.open(QIODevice::WriteOnly)
        || ini.write("0,\"50\",\"200\",\"50\",0,\"Signal Strength.............. \",\"http://127.0.0.1:9/\","
                     "\"Arial\",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,0\r\n") < 0)
        return 1;
    ini.close();

    Talvorf window(std::make_unique<SilentDialogs>());
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.c.DoLogFile->setChecked(true);

    measure(window, 200, 2000);
    measure(window, 1000, 1000);
    std::fflush(stdout);
    return 0;
}
