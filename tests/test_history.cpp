// The reading history and the histogram it fills, through the window's controls.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "window/fetch/ReadingPipeline.h"
#include "window/history/HistogramChart.h"
#include "window/history/History.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void init();
    void fullHistorySlidesByOne();
    void shorterLengthKeepsTheNewest();
    void historyLengthIsCorrectedInPlace_data();
    void historyLengthIsCorrectedInPlace();
    void growingKeepsEveryReading();
    void thresholdSplitsGreenFromRed();
    void rowLabels();
    void newThresholdWaitsForTheNextReading();
    void thresholdIsCorrectedInPlace();
    void trayIconOnlyWhenShown();
    void barsAreDrawnInTheirColours();
    void typingALengthTrimsOnlyAtTheEnd();
    void everyDipShowsRedInAFullChart();

private:
    void reading(const QString &text)
    {
        w->c.Talvor->setText(text);
        w->ProcessNewReading();
    }
    QString cell(int row, int column) const
    {
        HistogramChart &chart = *w->c.MSChart1;
        chart.setRow(row);
        chart.setColumn(column);
        return chart.data();
    }

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestWindow> window;
    Talvorf *w = nullptr;
};

void TestHistory::init()
{
    home = std::make_unique<QTemporaryDir>();
    window = loadTestWindow(*home);
    w = window->window.get();
}

void TestHistory::fullHistorySlidesByOne()
{
    QCOMPARE(w->c.MSChart1->rowCount(), 200);
    for (int i = 1; i <= 201; ++i)
        reading(QString::number(i));
    QCOMPARE(w->history().SS_History().count(), 200);
    QCOMPARE(w->history().SS_History().at(0), QStringLiteral("2"));
    QCOMPARE(w->history().SS_History().at(199), QStringLiteral("201"));
    QCOMPARE(cell(200, 1), QStringLiteral("201"));
    QCOMPARE(cell(1, 2), QStringLiteral("2"));
}

void TestHistory::shorterLengthKeepsTheNewest()
{
    for (int i = 1; i <= 200; ++i)
        reading(QString::number(i));
    w->c.SShistoryLen->setText(QStringLiteral("50"));
    QCOMPARE(w->c.MSChart1->rowCount(), 50);
    QCOMPARE(w->history().SS_History().count(), 50);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(w->history().SS_History().at(i), QString::number(151 + i));
    QCOMPARE(w->form.SettingsDirty, qint16(6));
}

void TestHistory::historyLengthIsCorrectedInPlace_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("rows");
    QTest::newRow("abc") << "abc"
                         << "100" << 100;
    QTest::newRow("empty keeps the rows") << ""
                                          << "0" << 200;
    QTest::newRow("-5") << "-5"
                        << "0" << 200;
    QTest::newRow("2500") << "2500"
                          << "1000" << 1000;
    QTest::newRow("1000") << "1000"
                          << "1000" << 1000;
    QTest::newRow("12.5 halves to even") << "12.5"
                                         << "12.5" << 12;
    QTest::newRow("13.5 halves to even") << "13.5"
                                         << "13.5" << 14;
    QTest::newRow("0.3 keeps the rows") << "0.3"
                                        << "0.3" << 200;
    QTest::newRow("0 keeps the rows") << "0"
                                      << "0" << 200;
    QTest::newRow("1") << "1"
                       << "1" << 1;
}

void TestHistory::historyLengthIsCorrectedInPlace()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, rows);
    w->c.SShistoryLen->setText(typed);
    QCOMPARE(w->c.SShistoryLen->text(), shown);
    QCOMPARE(w->c.MSChart1->rowCount(), rows);
}

void TestHistory::growingKeepsEveryReading()
{
    w->c.SShistoryLen->setText(QStringLiteral("50"));
    for (int i = 1; i <= 60; ++i)
        reading(QString::number(i));
    w->c.SShistoryLen->setText(QStringLiteral("200"));
    QCOMPARE(w->history().SS_History().count(), 50);
    reading(QStringLiteral("99"));
    QCOMPARE(cell(51, 1), QStringLiteral("99"));
    QCOMPARE(cell(52, 1), QStringLiteral("0"));
    QCOMPARE(cell(52, 2), QString());
}

void TestHistory::thresholdSplitsGreenFromRed()
{
    for (const char *r : {"50", "51", "49", "5.5"})
        reading(QString::fromLatin1(r));
    // Column 1 is the green series, column 2 the red one.
    QCOMPARE(cell(1, 1), QStringLiteral("0"));
    QCOMPARE(cell(1, 2), QStringLiteral("50"));
    QCOMPARE(cell(2, 1), QStringLiteral("51"));
    QCOMPARE(cell(2, 2), QStringLiteral("0"));
    QCOMPARE(cell(3, 2), QStringLiteral("49"));
    QCOMPARE(cell(4, 2), QStringLiteral("5.5"));
    // Rows without a reading draw nothing.
    QCOMPARE(cell(5, 1), QStringLiteral("0"));
    QCOMPARE(cell(5, 2), QString());

    w->c.ssThreshold->setText(QStringLiteral("49.5"));
    reading(QStringLiteral("50"));
    QCOMPARE(cell(1, 1), QStringLiteral("50"));
    QCOMPARE(cell(3, 2), QStringLiteral("49"));

    w->c.ssThreshold->setText(QStringLiteral("-10"));
    reading(QStringLiteral("-3"));
    QCOMPARE(cell(6, 1), QStringLiteral("-3"));
    QCOMPARE(cell(7, 1), QString());
    QCOMPARE(cell(7, 2), QStringLiteral("0"));
}

void TestHistory::rowLabels()
{
    for (int i = 0; i < 200; ++i)
        reading(i % 2 ? QStringLiteral("70") : QStringLiteral("30"));
    // A red bar is labelled with its reading, a green one with 0; odd rows get seven blanks.
    QCOMPARE(w->c.MSChart1->rowLabel(1), QStringLiteral("30       "));
    QCOMPARE(w->c.MSChart1->rowLabel(2), QStringLiteral("0"));
    QCOMPARE(w->c.MSChart1->rowLabel(199), QStringLiteral("30       "));
    QCOMPARE(w->c.MSChart1->rowLabel(200), QStringLiteral("0"));
    reading(QStringLiteral("12"));
    QCOMPARE(w->c.MSChart1->rowLabel(200), QStringLiteral("12"));
    QCOMPARE(w->c.MSChart1->rowLabel(1), QStringLiteral("0       "));
    // Below zero a 0 would read as a value: green or red, the bar has its reading.
    w->c.ssThreshold->setText(QStringLiteral("-110"));
    reading(QStringLiteral("-105"));
    reading(QStringLiteral("-112"));
    QCOMPARE(w->c.MSChart1->rowLabel(199), QStringLiteral("-105       "));
    QCOMPARE(w->c.MSChart1->rowLabel(200), QStringLiteral("-112"));
}

void TestHistory::newThresholdWaitsForTheNextReading()
{
    reading(QStringLiteral("60"));
    QCOMPARE(cell(1, 1), QStringLiteral("60"));
    w->c.ssThreshold->setText(QStringLiteral("80"));
    QCOMPARE(w->form.SettingsDirty, qint16(7));
    QCOMPARE(cell(1, 1), QStringLiteral("60"));
    reading(QStringLiteral("61"));
    QCOMPARE(cell(1, 2), QStringLiteral("60"));
    QCOMPARE(cell(2, 2), QStringLiteral("61"));
}

void TestHistory::thresholdIsCorrectedInPlace()
{
    w->c.ssThreshold->setText(QStringLiteral("abc"));
    QCOMPARE(w->c.ssThreshold->text(), QStringLiteral("50"));
    w->c.ssThreshold->clear();
    QCOMPARE(w->c.ssThreshold->text(), QStringLiteral("0"));
    w->c.ssThreshold->setText(QStringLiteral("-10"));
    QCOMPARE(w->c.ssThreshold->text(), QStringLiteral("-10"));
}

void TestHistory::trayIconOnlyWhenShown()
{
    QList<qint16> sent;
    QObject::connect(&w->history(), &History::trayIconDue, [&](qint16 value) { sent << value; });
    reading(QStringLiteral("57"));
    QVERIFY(sent.isEmpty());
    w->form.InTray = true;
    reading(QStringLiteral("4.5"));
    w->form.InTray = false;
    w->c.ShowInSystemTray->setChecked(true);
    reading(QStringLiteral("99999"));
    QCOMPARE(sent, (QList<qint16>{4, 32767}));
}

void TestHistory::barsAreDrawnInTheirColours()
{
    HistogramChart chart;
    chart.resize(400, 300);
    chart.setRowCount(4);
    const char *cells[4][2] = {{"80", "0"}, {"0", "30"}, {"0", ""}, {"-20", "0"}};
    for (int r = 1; r <= 4; ++r) {
        chart.setRow(r);
        for (int c = 1; c <= 2; ++c) {
            chart.setColumn(c);
            chart.setData(QString::fromLatin1(cells[r - 1][c - 1]));
        }
    }
    const QImage image = chart.grab().toImage();
    // Find the plot's columns from the picture itself: each row owns a quarter.
    auto countIn = [&](int quarter, QColor colour) {
        int n = 0;
        const int left = 60 + quarter * (image.width() - 70) / 4;
        for (int x = left; x < left + (image.width() - 70) / 4 - 4; ++x)
            for (int y = 0; y < image.height(); ++y)
                n += image.pixelColor(x, y) == colour;
        return n;
    };
    const QColor green(0, 192, 0), red(255, 0, 0);
    const int tall = countIn(0, green), short_ = countIn(1, red);
    QVERIFY2(tall > 0 && short_ > 0, qPrintable(QStringLiteral("%1 %2").arg(tall).arg(short_)));
    // 80 against 30: the green bar is the taller one, by about that ratio.
    QVERIFY(tall > 2 * short_);
    QCOMPARE(countIn(1, green), 0);
    QCOMPARE(countIn(2, green) + countIn(2, red), 0);
    // A negative value hangs below the zero line.
    QVERIFY(countIn(3, green) > 0);

    // Readings all below zero (dBm) stand on the axis's floor: the stronger
    // reading is the taller bar.
    const char *dbm[4][2] = {{"-105", "0"}, {"-60", "0"}, {"0", "-100"}, {"-90", "0"}};
    for (int r = 1; r <= 4; ++r) {
        chart.setRow(r);
        for (int c = 1; c <= 2; ++c) {
            chart.setColumn(c);
            chart.setData(QString::fromLatin1(dbm[r - 1][c - 1]));
        }
    }
    const QImage below = chart.grab().toImage();
    const auto heightIn = [&](int quarter, QColor colour) {
        const int x = 60 + quarter * (below.width() - 70) / 4 + (below.width() - 70) / 8;
        int n = 0;
        for (int y = 0; y < below.height(); ++y)
            n += below.pixelColor(x, y) == colour;
        return n;
    };
    QVERIFY2(2 * heightIn(1, green) > 3 * heightIn(0, green),
             qPrintable(QStringLiteral("%1 %2").arg(heightIn(1, green)).arg(heightIn(0, green))));
    QVERIFY(heightIn(0, green) > 0 && heightIn(2, red) > 0);
}

void TestHistory::typingALengthTrimsOnlyAtTheEnd()
{
    w->c.SShistoryLen->setText(QStringLiteral("1000"));
    for (int i = 1; i <= 300; ++i)
        reading(QString::number(i));
    w->show();
    w->c.SShistoryLen->setFocus();
    w->c.SShistoryLen->selectAll();
    // Key by key: "2" and "20" pass by on the way to 200.
    QTest::keyClicks(w->c.SShistoryLen, QStringLiteral("200"));
    QCOMPARE(w->history().SS_History().count(), 200);
    QCOMPARE(w->history().SS_History().at(0), QStringLiteral("101"));
    // Once the edit has ended, a shorter length trims for good.
    QTest::keyClick(w->c.SShistoryLen, Qt::Key_Return);
    w->c.SShistoryLen->selectAll();
    QTest::keyClicks(w->c.SShistoryLen, QStringLiteral("50"));
    QTest::keyClick(w->c.SShistoryLen, Qt::Key_Return);
    w->c.SShistoryLen->selectAll();
    QTest::keyClicks(w->c.SShistoryLen, QStringLiteral("200"));
    QCOMPARE(w->history().SS_History().count(), 50);
    QCOMPARE(w->history().SS_History().at(0), QStringLiteral("251"));
}

void TestHistory::everyDipShowsRedInAFullChart()
{
    w->c.SShistoryLen->setText(QStringLiteral("1000"));
    // Ten single dips far apart among high readings, in a chart narrower than its rows.
    for (int i = 0; i < 1000; ++i)
        reading(i % 97 == 50 ? QStringLiteral("20") : QStringLiteral("90"));
    w->resize(801, 427);
    w->show();
    const QImage image = w->c.MSChart1->grab().toImage();
    QVERIFY(image.width() < 1000);
    int redColumns = 0;
    for (int x = 0; x < image.width(); ++x) {
        bool red = false;
        for (int y = 0; y < image.height() && !red; ++y)
            red = image.pixelColor(x, y) == QColor(255, 0, 0);
        redColumns += red;
    }
    QCOMPARE(redColumns, 10);
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
