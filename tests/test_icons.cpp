// The tray icons, drawn as readings first want them, and the designer that chooses their look.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "app/QtDialogs.h"
#include "window/form/ColorSwatch.h"
#include "window/tray/IconDesigner.h"
#include "window/tray/IconRendering.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
// A double-click as the desktop delivers it: a click, then the second press
// reported as a double-click.
void doubleClick(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
    QTest::mouseDClick(widget, Qt::LeftButton);
}

const QColor Green(0, 192, 0), Red(255, 0, 0), White(255, 255, 255);

bool contains(const QImage &image, const QColor &colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}
} // namespace

class TestIcons : public QObject {
    Q_OBJECT
private slots:
    void otherModemsReadingsFitTheIcon_data();
    void otherModemsReadingsFitTheIcon();
    void fontDialogKeepsTheExactFontWhenNothingChanges();
    void init();
    void thresholdSplitsTheColourPairs_data();
    void thresholdSplitsTheColourPairs();
    void hundredShowsCAndNegativeShowsAMinus();
    void newThresholdRecoloursAtOnce();
    void paletteClicksColourTheSwatches();
    void switchingThePairChangesNothingElse();
    void customColoursComeFromTheDialog();
    void fontChoice();

private:
    QImage icon(int v) const { return w->designer().IconStorage().icon(v).toImage(); }
    QColor menuText() const { return w->c.LeftColor->color(); }

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestWindow> window;
    Talvorf *w = nullptr;
};

void TestIcons::init()
{
    home = std::make_unique<QTemporaryDir>();
    window = loadTestWindow(*home);
    w = window->window.get();
}

void TestIcons::thresholdSplitsTheColourPairs_data()
{
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<int>("lastBelow"); // -1: none below
    QTest::newRow("50") << "50" << 50;
    QTest::newRow("50.5") << "50.5" << 50;
    QTest::newRow("100") << "100" << 100;
    QTest::newRow("-1") << "-1" << -1;
}

void TestIcons::thresholdSplitsTheColourPairs()
{
    QFETCH(QString, threshold);
    QFETCH(int, lastBelow);
    w->c.ssThreshold->setText(threshold);
    w->designer().BuildIconCache();
    for (int v : {0, 7, 50, 51, 99, 100}) {
        const bool below = v <= lastBelow;
        const QImage image = icon(v);
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(image.pixelColor(0, 0), below ? Red : Green);
        QCOMPARE(image.pixelColor(31, 31), below ? Red : Green);
        QVERIFY2(contains(image, below ? White : menuText()), qPrintable(QString::number(v)));
    }
    QCOMPARE(w->form.IconIndex, qint16(101));
    QCOMPARE(w->c.Talvor->text(), QStringLiteral("100"));
}

void TestIcons::hundredShowsCAndNegativeShowsAMinus()
{
    // ">C", placed as the text "100" would be.
    const QFont font = w->c.Ikon->font();
    QImage expected(32, 32, QImage::Format_ARGB32_Premultiplied);
    expected.setDotsPerMeterX(3780);
    expected.setDotsPerMeterY(3780);
    expected.fill(Green);
    {
        QPainter p(&expected);
        p.setFont(font);
        p.setPen(menuText());
        const QFontMetricsF m(p.font(), &expected);
        const double c = 2416.0 / 150.0;
        p.drawText(QPointF(c - m.horizontalAdvance(QStringLiteral("100")) / 2, c - m.height() / 2 + m.ascent()),
                   QStringLiteral(">C"));
    }
    expected = expected.convertToFormat(icon(100).format());
    QCOMPARE(icon(100), expected);
    QCOMPARE(icon(250), expected);

    // A negative reading shows the minus icon in 0's colours, in the preview too.
    w->c.Talvor->setText(QStringLiteral("-7"));
    w->ProcessNewReading();
    QCOMPARE(w->form.IconIndex, qint16(-7));
    const QImage minus = w->c.Ikon->pixmap().toImage();
    QCOMPARE(minus.pixelColor(0, 0), Red);
    QVERIFY(contains(minus, White));
    QVERIFY(minus != icon(0));
    w->c.Talvor->setText(QStringLiteral("57"));
    w->ProcessNewReading();
    QCOMPARE(w->c.Ikon->pixmap().toImage(), icon(57));
}

void TestIcons::newThresholdRecoloursAtOnce()
{
    // The icons follow the threshold as the bars and the alerts do.
    QCOMPARE(icon(60).pixelColor(0, 0), Green);
    w->c.ssThreshold->setText(QStringLiteral("80"));
    QCOMPARE(icon(60).pixelColor(0, 0), Red);
    // And a palette click keeps the new split.
    w->designer().Color_MouseDown(16, 2);
    QCOMPARE(icon(60).pixelColor(0, 0), Red);
}

void TestIcons::paletteClicksColourTheSwatches()
{
    QTest::mouseClick(w->c.Color[12], Qt::LeftButton);
    QCOMPARE(w->c.LeftColor->colorValue(), 0x0000FFu);
    QCOMPARE(w->form.SettingsDirty, qint16(8));
    QVERIFY(contains(icon(70), Red));

    w->c.EnableBad->setChecked(true);
    QTest::mouseClick(w->c.Color[16], Qt::RightButton);
    QCOMPARE(w->c.RightColorBad->colorValue(), 0x00C000u);
    QCOMPARE(icon(10).pixelColor(0, 0), Green);
    QTest::mouseClick(w->c.Color[9], Qt::MiddleButton);
    QCOMPARE(w->c.RightColorBad->colorValue(), 0xFF0000u); // light blue, 0x00BBGGRR
    QCOMPARE(w->c.RightColor->colorValue(), 0x00C000u);
}

void TestIcons::switchingThePairChangesNothingElse()
{
    const qint64 before = w->designer().IconStorage().icon(30).cacheKey();
    w->c.EnableBad->setChecked(true);
    QVERIFY(!w->c.LeftColorBad->isHidden() && w->c.LeftColor->isHidden());
    QVERIFY(!w->c.RightColorBad->isHidden() && w->c.RightColor->isHidden());
    QCOMPARE(w->form.SettingsDirty, qint16(0));
    QCOMPARE(w->designer().IconStorage().icon(30).cacheKey(), before);
    w->c.EnableBad->setChecked(false);
    QVERIFY(!w->c.LeftColor->isHidden());
}

void TestIcons::customColoursComeFromTheDialog()
{
    QCOMPARE(w->c.Color[40]->toolTip(), QStringLiteral("Doubleclick for custom colors"));
    QCOMPARE(w->c.Color[12]->colorValue(), 0x0000FFu);
    w->c.LeftColor->setColorValue(0);
    window->dialogs->colorAnswer = 0x123456u;
    doubleClick(w->c.Color[40]);
    // The press before the double-click gave the cell's old colour to the swatch.
    QCOMPARE(w->c.LeftColor->colorValue(), 0xFFFFFFu);
    QCOMPARE(window->dialogs->colorDialogs, 1);
    QCOMPARE(w->c.Color[40]->colorValue(), 0x123456u);
    QCOMPARE(w->form.SettingsDirty, qint16(9));

    window->dialogs->colorAnswer.reset();
    doubleClick(w->c.Color[41]);
    QCOMPARE(w->c.Color[41]->colorValue(), 0xFFFFFFu);
    w->form.SettingsDirty = 0;
    doubleClick(w->c.Color[20]);
    QCOMPARE(window->dialogs->colorDialogs, 2);
    QCOMPARE(w->form.SettingsDirty, qint16(9));
}

void TestIcons::fontChoice()
{
    QCOMPARE(w->c.Font_Selected->text(), QStringLiteral("Arial 15.75  "));
    const QImage before = icon(42);
    QTest::mouseClick(w->c.Font_Selected, Qt::LeftButton);
    QCOMPARE(window->dialogs->fontDialogs, 1);
    QCOMPARE(w->form.SettingsDirty, qint16(10));
    QCOMPARE(w->c.Ikon->font().pointSizeF(), 15.75);
    QCOMPARE(icon(42), before);

    window->dialogs->fontAnswer = talvor::FontChoice{QStringLiteral("Arial"), 22, true, true};
    QTest::mouseClick(w->c.Font_Selected, Qt::LeftButton);
    QCOMPARE(w->c.Font_Selected->text(), QStringLiteral("Arial 22  Bold  Italic"));
    QVERIFY(w->c.Ikon->font().bold() && w->c.Ikon->font().italic());
    QVERIFY(icon(42) != before);
}

void TestIcons::fontDialogKeepsTheExactFontWhenNothingChanges()
{
    QtDialogs dialogs(nullptr);
    // Fractional points and a name the desktop may know only by a metric alias.
    const talvor::FontChoice start{QStringLiteral("Arial"), 15.75f, true, false};
    QFont opened;
    QTimer::singleShot(0, [&opened] {
        if (auto *dialog = qobject_cast<QFontDialog *>(QApplication::activeModalWidget())) {
            opened = dialog->currentFont();
            dialog->accept();
        }
    });
    QCOMPARE(dialogs.chooseFont(start), std::optional<talvor::FontChoice>(start));
    // It opened on the icon's font as the desktop draws it.
    QVERIFY(opened.bold() && !opened.italic());
    QCOMPARE(opened.family(), QFontInfo(QFont(QStringLiteral("Arial"))).family());
}

void TestIcons::otherModemsReadingsFitTheIcon_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("side"); // the tray's icon size in pixels
    for (const int side : {16, 32})
        for (const char *reading : {"-105", "12.5", "-105.5", "-0.6"})
            QTest::addRow("%s at %d", reading, side) << QString::fromLatin1(reading) << side;
}

void TestIcons::otherModemsReadingsFitTheIcon()
{
    QFETCH(QString, reading);
    QFETCH(int, side);
    const QFont font(QStringLiteral("Arial"), 16);
    const QImage image = talvor::drawReadingTextIcon(reading, Qt::black, Qt::white, font)
                             .scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Where the number's ink is: never cut at an edge, and as wide as a
    // reader needs (more than half the icon).
    int left = side, right = -1, top = side, bottom = -1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (qGray(image.pixel(x, y)) > 96) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
    QVERIFY2(left > 0 && right < side - 1 && top > 0 && bottom < side - 1,
             qPrintable(QStringLiteral("ink %1..%2 x %3..%4").arg(left).arg(right).arg(top).arg(bottom)));
    QVERIFY2(right - left + 1 > side / 2, qPrintable(QStringLiteral("ink %1 wide").arg(right - left + 1)));
}

QTEST_MAIN(TestIcons)
#include "test_icons.moc"
