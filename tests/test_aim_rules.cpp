// Aiming the dish: the figures a user turns the dish by, and the tone they
// listen to on the roof.
#include "core/aim/AimRules.h"
#include "core/aim/ToneQueue.h"

#include <QTest>

#include <cmath>

using namespace talvor;

class TestAimRules : public QObject {
    Q_OBJECT
private slots:
    void figuresFollowTheReadings_data();
    void figuresFollowTheReadings();
    void toneRisesWithTheReading();
    void everyReadingGivesOneWholeBeep_data();
    void everyReadingGivesOneWholeBeep();
};

void TestAimRules::figuresFollowTheReadings_data()
{
    // Each step is a reading, "-" a poll without one, or "R" the reset; the
    // figures as text, "" for none.
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<QByteArray>("peak");
    QTest::addColumn<QByteArray>("lowest");
    QTest::addColumn<QByteArray>("trend");
    QTest::newRow("rising") << QByteArray("40 42 45 48 50") << QByteArray("50") << QByteArray("50") << QByteArray("40")
                            << QByteArray("\u2191");
    QTest::newRow("falling") << QByteArray("60 58 55 50 49") << QByteArray("49") << QByteArray("60") << QByteArray("49")
                             << QByteArray("\u2193");
    QTest::newRow("a point is steady") << QByteArray("50 50 50 50 52") << QByteArray("52") << QByteArray("52")
                                       << QByteArray("50") << QByteArray("\u2192");
    QTest::newRow("no reading is not 0") << QByteArray("55 - -") << QByteArray() << QByteArray("55") << QByteArray("55")
                                         << QByteArray("\u2192");
    QTest::newRow("reset starts from the reading in sight")
        << QByteArray("70 30 45 R 44") << QByteArray("44") << QByteArray("45") << QByteArray("44")
        << QByteArray("\u2192");
    QTest::newRow("reset with no reading in sight")
        << QByteArray("70 - R -") << QByteArray() << QByteArray() << QByteArray() << QByteArray("\u2192");
    QTest::newRow("trend forgets old readings") << QByteArray("10 90 50 50 50 50 50") << QByteArray("50")
                                                << QByteArray("90") << QByteArray("10") << QByteArray("\u2192");
}

void TestAimRules::figuresFollowTheReadings()
{
    QFETCH(QByteArray, steps);
    QFETCH(QByteArray, last);
    QFETCH(QByteArray, trend);
    AimTrack track;
    const QDateTime start(QDate(2026, 12, 9), QTime(10, 0));
    const QList<QByteArray> split = steps.split(' ');
    for (int i = 0; i < split.size(); ++i) {
        if (split[i] == "-")
            track.noReading(QStringLiteral("Modem not answering"));
        else if (split[i] == "R")
            track.reset();
        else
            track.reading(split[i].toDouble(), start.addSecs(i));
    }
    const auto text = [](const std::optional<double> &value) {
        return value ? QByteArray::number(*value) : QByteArray();
    };
    QCOMPARE(text(track.last()), last);
    QTEST(text(track.peak()), "peak");
    QTEST(text(track.lowest()), "lowest");
    QCOMPARE(trendArrow(track.trend()), QString::fromUtf8(trend));
    // The phone shows no reading, never 0.
    QCOMPARE(aimJson(track, 50, 20).contains("\"reading\":null"), last.isEmpty());
}

void TestAimRules::toneRisesWithTheReading()
{
    const double floor = 20;
    QVERIFY(!aimPitch(19.5, floor));
    QCOMPARE(*aimPitch(floor, floor), LowestPitch);
    QCOMPARE(*aimPitch(120, floor), HighestPitch);
    double previous = 0;
    for (const double reading : {30.0, 60.0, 95.0}) {
        const double designed = *aimPitch(reading, floor);
        QVERIFY(designed > previous);
        previous = designed;
        // The pitch heard is the pitch designed: count the wave's crossings
        // of zero over the beep's steady middle.
        const int rate = 48000;
        const QByteArray beep = renderBeep(designed, rate, 200);
        const auto *samples = reinterpret_cast<const qint16 *>(beep.constData());
        const int count = int(beep.size() / 2);
        QCOMPARE(count, rate / 5);
        int crossings = 0;
        const int from = rate / 100, to = count - rate / 100;
        for (int i = from + 1; i < to; ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        const double measured = crossings / 2.0 / (double(to - from) / rate);
        QVERIFY2(std::abs(measured - designed) / designed < 0.02,
                 qPrintable(QStringLiteral("%1 Hz heard for %2 Hz").arg(measured).arg(designed)));
        // Faded in and out: no click at either end.
        QVERIFY(std::abs(samples[0]) < 100 && std::abs(samples[count - 1]) < 100);
    }
}

void TestAimRules::everyReadingGivesOneWholeBeep_data()
{
    QTest::addColumn<int>("paceMs");
    QTest::newRow("0.2 s") << 200;
    QTest::newRow("0.5 s") << 500;
    QTest::newRow("1 s") << 1000;
}

// Readings at the aim view's pace, their beeps queued as the view does, the
// output pulling 10 ms at a time as a sound server does: each reading is
// heard once, whole, at its own pitch, also the first after a silence.
void TestAimRules::everyReadingGivesOneWholeBeep()
{
    QFETCH(int, paceMs);
    constexpr int Rate = 48000;
    constexpr int Chunk = Rate / 100;
    const QList<double> readings{90, 0, 100, 55, 20, 70, 100, 35, 60, 80};
    talvor::ToneQueue queue;
    std::vector<qint16> heard;
    const int beepMs = talvor::beepMilliseconds(paceMs);
    QList<double> pitches;
    for (qsizetype r = 0; r < readings.size(); ++r) {
        // Below the floor (20) a reading is silent, as the view makes it.
        if (const auto pitch = talvor::aimPitch(readings[r], 20)) {
            queue.add(talvor::renderBeep(*pitch, Rate, beepMs));
            pitches << *pitch;
        }
        for (int pulled = 0; pulled < paceMs; pulled += 10) {
            std::vector<qint16> chunk(Chunk);
            queue.read(reinterpret_cast<char *>(chunk.data()), Chunk * 2);
            heard.insert(heard.end(), chunk.begin(), chunk.end());
        }
    }
    // Beeps are the runs of sound; the pitch is counted in zero crossings.
    QList<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < heard.size();) {
        if (heard[i] == 0) {
            ++i;
            continue;
        }
        size_t end = i;
        // A beep's own zero samples are shorter than a millisecond.
        for (size_t quiet = 0; end < heard.size() && quiet < size_t(Rate / 1000); ++end)
            quiet = heard[end] == 0 ? quiet + 1 : 0;
        runs.append({i, end - size_t(Rate / 1000)});
        i = end;
    }
    QCOMPARE(runs.size(), pitches.size());
    for (qsizetype b = 0; b < runs.size(); ++b) {
        const auto [from, to] = runs[b];
        QVERIFY2(std::abs(double(to - from) - Rate * beepMs / 1000.0) < Rate * 0.002,
                 qPrintable(QStringLiteral("beep %1 lasts %2 samples").arg(b).arg(to - from)));
        int crossings = 0;
        for (size_t i = from + 1; i < to; ++i)
            crossings += (heard[i - 1] < 0) != (heard[i] < 0);
        const double hz = crossings / 2.0 / (double(to - from) / Rate);
        QVERIFY2(std::abs(hz - pitches[b]) <= pitches[b] * 0.02,
                 qPrintable(QStringLiteral("beep %1: %2 Hz for %3").arg(b).arg(hz).arg(pitches[b])));
    }
}

QTEST_APPLESS_MAIN(TestAimRules)
#include "test_aim_rules.moc"
