// 100 000 readings through the whole pipeline at 1000 rows with logging on and
// the window shown: resident memory after the first 1000 readings and at the
// end must stay within 2 MB of each other. Prints the resident memory every
// 10 000 readings and a last line with both figures.
#include "BenchSupport.h"
#include "core/program/MemoryUse.h"
#include "window/history/HistogramChart.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

namespace {

// Resident set in kB, or -1 where /proc is not there.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program itself does.
    talvor::keepResidentMemoryLow();
    QApplication app(argc, argv);
    const int readings = argc > 1 ? std::max(2000, atoi(argv[1])) : 100000;
    QTemporaryDir home;
    auto owned = shownLoggingWindow(home);
    if (!owned)
        return 1;
    Talvorf &window = *owned;
    window.c.SShistoryLen->setText(QStringLiteral("1000"));

    // Mostly ordinary readings, now and then one out of the icons' range.
    QRandomGenerator random(7);
    long afterFirst = -1;
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= readings; ++i) {
        const int value = random.bounded(50) == 0 ? random.bounded(-20, 400) : 30 + random.bounded(61);
        window.c.Talvor->setText(QString::number(value));
        window.ProcessNewReading();
        window.c.MSChart1->repaint();
        QCoreApplication::processEvents();
        if (i == 1000)
            afterFirst = residentKb();
        if (i == 1000 || i % 10000 == 0) {
            std::printf("readings=%d rss_kb=%ld seconds=%.1f\n", i, residentKb(), double(clock.elapsed()) / 1000.0);
            std::fflush(stdout);
        }
    }
    const long atEnd = residentKb();
    std::printf("soak_rss_kb readings=%d after_1000=%ld end=%ld growth=%ld\n", readings, afterFirst, atEnd,
                atEnd - afterFirst);
    return 0;
}
