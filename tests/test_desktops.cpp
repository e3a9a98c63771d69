// The window on desktops that are not the default one: fonts from 8 to 14
// points on screens down to 1280 x 800 at twice the scale, and a user who
// designs the icon and saves with the keyboard alone.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "core/settings/Palette.h"
#include "window/form/ColorSwatch.h"
#include "window/form/DeferredIconStyle.h"
#include "window/form/PaletteGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

// The application's font at a size, given back when the test row ends,
// however it ends.
class FontForTheTest {
public:
    explicit FontForTheTest(int points)
        : m_before(QApplication::font())
    {
        QFont font = m_before;
        font.setPointSize(points);
        QApplication::setFont(font);
    }
    ~FontForTheTest() { QApplication::setFont(m_before); }

private:
    const QFont m_before;
};

class TestDesktops : public QObject {
    Q_OBJECT
private slots:
    void captionsAreNeverCut_data();
    void captionsAreNeverCut();
    void optionsTabStartsWhole_data();
    void optionsTabStartsWhole();
    void keyboardOnlyDesignsTheIconAndSaves();
    void startAtLoginWritesAndRemovesTheEntry();
    void overflowArrowsAreTheDesktopStyles_data();
    void overflowArrowsAreTheDesktopStyles();

private:
    QTemporaryDir home;
};

void TestDesktops::captionsAreNeverCut_data()
{
    // The window sizes are logical pixels: 1280 x 800 at scale 2 leaves 640 x 400.
    QTest::addColumn<int>("points");
    QTest::addColumn<QSize>("window"); // the window fits: the minimum size is below it
    QTest::newRow("8 pt") << 8 << QSize(801, 427);
    QTest::newRow("11 pt") << 11 << QSize(801, 427);
    QTest::newRow("14 pt") << 14 << QSize(801, 427);
    QTest::newRow("11 pt, scale 1.5") << 11 << QSize(853, 533);
    QTest::newRow("14 pt, scale 2") << 14 << QSize(640, 400);
}

void TestDesktops::captionsAreNeverCut()
{
    QFETCH(int, points);
    QFETCH(QSize, window);
    const FontForTheTest font(points);
    {
        const auto test = loadTestWindow(home);
        Talvorf &w = *test->window;
        w.show();
        w.resize(window);
        QCOMPARE(w.size(), window);
        w.c.ChooseView->setCurrentIndex(2);
        const auto *scroll = w.c.Frame1[2]->findChild<QScrollArea *>();
        const QWidget *panel = scroll->widget();
        // Whatever the window's size, each caption gets all the room it asks
        // for; where the window is smaller, the tab scrolls.
        QTRY_VERIFY(panel->width() >= panel->minimumSizeHint().width());
        for (const QCheckBox *box : panel->findChildren<QCheckBox *>()) {
            if (box->isVisible())
                QVERIFY2(box->width() >= box->sizeHint().width(), qPrintable(box->text()));
        }
        for (const QLabel *label : panel->findChildren<QLabel *>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            if (label->wordWrap())
                QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
            else
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        }
    }
}

void TestDesktops::optionsTabStartsWhole_data()
{
    QTest::addColumn<int>("points");
    // Larger fonts put the designer below the settings on this 800-pixel
    // screen, and the tab scrolls as it must.
    QTest::newRow("8 pt") << 8;
    QTest::newRow("9 pt") << 9;
    QTest::newRow("10 pt") << 10;
}

void TestDesktops::optionsTabStartsWhole()
{
    // Where the screen has room, the window starts tall enough for the
    // Options tab at the width it gets, wrapped captions included: a scroll
    // bar there would also move every control a script clicks.
    QFETCH(int, points);
    const FontForTheTest font(points);
    {
        const auto test = loadTestWindow(home);
        Talvorf &w = *test->window;
        w.show();
        w.c.ChooseView->setCurrentIndex(2);
        const auto *scroll = w.c.Frame1[2]->findChild<QScrollArea *>();
        // The scroll bars settle over a few passes of the event loop.
        QTRY_VERIFY(scroll->isVisible());
        QTest::qWait(200);
        QVERIFY2(w.height() < w.screen()->availableGeometry().height() - 48, "the screen is too small for this row");
        QVERIFY(!scroll->verticalScrollBar()->isVisible());
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    }
}

void TestDesktops::keyboardOnlyDesignsTheIconAndSaves()
{
    const auto test = loadTestWindow(home);
    Talvorf &w = *test->window;
    FakeDialogs &dialogs = *test->dialogs;
    w.show();
    w.activateWindow();
    w.c.ChooseView->setCurrentIndex(2);
    auto *palette = w.findChild<PaletteGrid *>(QStringLiteral("Palette"));
    palette->setFocus();
    QTRY_VERIFY(palette->hasFocus());

    // Two to the right on the first row is the third standard colour.
    QTest::keyClick(palette, Qt::Key_Right);
    QTest::keyClick(palette, Qt::Key_Right);
    QTest::keyClick(palette, Qt::Key_Return);
    QCOMPARE(w.c.LeftColor->colorValue(), talvor::standardColors[2]);
    QTest::keyClick(palette, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(w.c.RightColor->colorValue(), talvor::standardColors[2]);
    // Enter twice on a custom cell, as a double-click, changes it.
    dialogs.colorAnswer = 0x030201;
    QTest::keyClick(palette, Qt::Key_End);
    QTest::keyClick(palette, Qt::Key_Return);
    QTest::keyClick(palette, Qt::Key_Return);
    QCOMPARE(dialogs.colorDialogs, 1);
    QCOMPARE(palette->currentCell()->colorValue(), 0x030201u);

    dialogs.fontAnswer = talvor::FontChoice{QStringLiteral("Liberation Mono"), 12, true, false};
    w.c.Font_Selected->setFocus();
    QTest::keyClick(w.c.Font_Selected, Qt::Key_Return);
    QCOMPARE(dialogs.fontDialogs, 1);
    QCOMPARE(w.c.Ikon->font().family(), QStringLiteral("Liberation Mono"));

    // Right lengthens the interval, Left shortens it.
    const int interval = w.c.HScroll1->value();
    QTest::keyClick(w.c.HScroll1, Qt::Key_Right);
    QVERIFY(w.c.HScroll1->value() > interval);
    QTest::keyClick(w.c.HScroll1, Qt::Key_Left);
    QTest::keyClick(w.c.HScroll1, Qt::Key_PageDown);
    QVERIFY(w.c.HScroll1->value() < interval);

    // File, Save Options: through the menu's mnemonics.
    const QByteArray saved = readFile(QDir(home.path()).filePath(QStringLiteral("Talvor.ini")));
    QTest::keyClick(&w, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(w.c.MenuFile->isVisible());
    QTest::keyClick(w.c.MenuFile, Qt::Key_S);
    QTRY_VERIFY(readFile(QDir(home.path()).filePath(QStringLiteral("Talvor.ini"))) != saved);
    QVERIFY(readFile(QDir(home.path()).filePath(QStringLiteral("Talvor.ini"))).contains("\"Liberation Mono\",#TRUE#"));
}

void TestDesktops::startAtLoginWritesAndRemovesTheEntry()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString entry = config.path() + QStringLiteral("/autostart/io.github.talvor.Talvor.desktop");
    {
        const auto test = loadTestWindow(home);
        QVERIFY(!test->window->c.StartAtLogin->isChecked());
        test->window->c.StartAtLogin->trigger();
        // It starts this very copy, in the folder it uses now.
        QVERIFY(readFile(entry).contains("\nExec=env \"TALVOR_HOME=" + home.path().toLocal8Bit() + "\" \""
                                         + QCoreApplication::applicationFilePath().toLocal8Bit() + "\"\n"));
    }
    const auto again = loadTestWindow(home);
    QVERIFY(again->window->c.StartAtLogin->isChecked());
    again->window->c.StartAtLogin->trigger();
    QVERIFY(!QFile::exists(entry));
}

void TestDesktops::overflowArrowsAreTheDesktopStyles_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("menu bar") << int(QStyle::SP_ToolBarHorizontalExtensionButton) << Qt::LeftToRight;
    QTest::newRow("menu bar, right to left") << int(QStyle::SP_ToolBarHorizontalExtensionButton) << Qt::RightToLeft;
    QTest::newRow("vertical tool bar") << int(QStyle::SP_ToolBarVerticalExtensionButton) << Qt::LeftToRight;
}

// The arrow is looked up late, but it is the very arrow the style draws.
void TestDesktops::overflowArrowsAreTheDesktopStyles()
{
    QFETCH(int, which);
    QFETCH(Qt::LayoutDirection, direction);
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
    const DeferredIconStyle deferred(QStyleFactory::create(QStringLiteral("Fusion")));
    QStyleOption option;
    option.direction = direction;
    const auto arrow = [&](const QStyle &style) {
        return style.standardIcon(QStyle::StandardPixmap(which), &option).pixmap(16).toImage();
    };
    QVERIFY(!arrow(*plain).isNull());
    QCOMPARE(arrow(deferred), arrow(*plain));
}

QTEST_MAIN(TestDesktops)
#include "test_desktops.moc"
