// The aim view in the window: it polls at its own pace while open and gives
// the user's back, a poll without a reading is never shown as 0, and R
// starts the figures again.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "monitor/Monitor.h"
#include "window/aim/AimView.h"

#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace talvor;

class TestAimView : public QObject {
    Q_OBJECT
private slots:
    void pollsAtItsOwnPaceWhileOpen_data();
    void pollsAtItsOwnPaceWhileOpen();
    void showsWhatThePollsGave();
    void keysWorkWhereverTheFocusIs();
    void sizesFollowTheWindow();
};

namespace {
// A window on a folder of its own, with its aim view open.
class OpenAim {
public:
    OpenAim()
    {
        qputenv("TALVOR_HOME", m_home.path().toLocal8Bit());
        m_window.emplace();
        w().Form_Load();
        w().showAim();
    }
    Talvorf &w() { return *m_window->window; }
    AimView &view() { return *w().aim(); }
    SignalEvents &events() { return w().monitor().events(); }

private:
    QTemporaryDir m_home;
    std::optional<TestWindow> m_window; // made once TALVOR_HOME names the folder
};
} // namespace

void TestAimView::pollsAtItsOwnPaceWhileOpen_data()
{
    QTest::addColumn<bool>("polling"); // automatic checking on when the view opens
    QTest::newRow("polling on") << true;
    QTest::newRow("polling off") << false;
}

void TestAimView::pollsAtItsOwnPaceWhileOpen()
{
    QFETCH(bool, polling);
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    writeFile(QDir(home.path()).filePath(QStringLiteral("Sharing.ini")), "[aim]\ninterval=3\n");
    TestWindow window;
    Talvorf &w = *window.window;
    w.Form_Load();
    const QTimer &timer = *w.c.AutoCheck;
    w.monitor().setRefreshTenths(50);
    w.monitor().setAutoCheck(polling);
    w.form.SettingsDirty = 0;
    w.showAim();
    QCOMPARE(timer.interval(), 300);
    QVERIFY(timer.isActive());
    w.aim()->close();
    QCOMPARE(timer.interval(), 5000);
    QCOMPARE(timer.isActive(), polling);
    QCOMPARE(w.form.SettingsDirty, qint16(0));
}

void TestAimView::showsWhatThePollsGave()
{
    OpenAim aim;
    AimView &view = aim.view();
    const auto number = [&view] { return view.findChild<QLabel *>(QStringLiteral("AimNumber"))->text(); };
    SignalEvents &events = aim.events();
    const QDateTime now = QDateTime::currentDateTime();
    events.reading(QStringLiteral("64"), 50, now);
    events.reading(QStringLiteral("38"), 50, now);
    QCOMPARE(number(), QStringLiteral("38"));
    events.noReading(QStringLiteral("Modem not answering"), SignalWatch::Failure::NoAnswer, now);
    QCOMPARE(number(), QStringLiteral("No reading"));
    events.reading(QStringLiteral("45"), 50, now);
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(&view, Qt::Key_R);
    events.reading(QStringLiteral("47"), 50, now);
    // After R the peak and the lowest start again from the reading in sight.
    bool peak = false, lowest = false;
    for (const QLabel *label : view.findChildren<QLabel *>()) {
        peak = peak || label->text().startsWith(QStringLiteral("Peak 47 at"));
        lowest = lowest || label->text() == u"Lowest 45";
    }
    QVERIFY(peak && lowest);
}

void TestAimView::keysWorkWhereverTheFocusIs()
{
    OpenAim aim;
    AimView &view = aim.view();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    SignalEvents &events = aim.events();
    auto *interval = view.findChild<QDoubleSpinBox *>();
    const auto peakIs = [&view](const QString &text) {
        const QList<QLabel *> labels = view.findChildren<QLabel *>();
        return std::any_of(labels.begin(), labels.end(),
                           [&text](const QLabel *label) { return label->text().startsWith(text); });
    };
    // Each control the focus can be in (a spin box's own, where it takes it).
    QList<QWidget *> focusable;
    for (QWidget *control : view.findChildren<QWidget *>()) {
        if (control->focusPolicy() == Qt::NoFocus || !control->isVisible() || !control->isEnabled())
            continue;
        control->setFocus();
        if (!focusable.contains(QApplication::focusWidget()))
            focusable << QApplication::focusWidget();
    }
    QVERIFY(focusable.size() >= 5);
    for (QWidget *child : focusable) {
        child->setFocus();
        events.reading(QStringLiteral("64"), 50, QDateTime::currentDateTime());
        events.reading(QStringLiteral("38"), 50, QDateTime::currentDateTime());
        QVERIFY(peakIs(QStringLiteral("Peak 64 at")));
        QTest::keyClick(child, Qt::Key_R);
        QVERIFY2(peakIs(QStringLiteral("Peak 38 at")), child->metaObject()->className());
        const double before = interval->value();
        QTest::keyClick(child, Qt::Key_Plus);
        QCOMPARE(interval->value(), before + 0.1);
        QTest::keyClick(child, Qt::Key_Minus);
        QCOMPARE(interval->value(), before);
    }
    focusable.first()->setFocus();
    QTest::keyClick(focusable.first(), Qt::Key_Escape);
    QVERIFY(!view.isVisible());
}

// Peak and lowest stay a quarter of the number at any size, the gauge stays,
// and a reason appearing under the number moves nothing.
void TestAimView::sizesFollowTheWindow()
{
    OpenAim aim;
    AimView &view = aim.view();
    SignalEvents &events = aim.events();
    events.reading(QStringLiteral("64"), 50, QDateTime::currentDateTime());
    auto *number = view.findChild<QLabel *>(QStringLiteral("AimNumber"));
    QLabel *peak = nullptr;
    for (QLabel *label : view.findChildren<QLabel *>())
        peak = label->text().startsWith(u"Peak ") ? label : peak;
    QWidget *gauge = nullptr;
    for (QWidget *child : view.findChildren<QWidget *>())
        gauge = child->accessibleName().startsWith(u"Signal strength against") ? child : gauge;
    QVERIFY(peak && gauge);
    // The last as small as the view lets itself be made.
    for (const QSize wanted : {QSize(1600, 1000), QSize(800, 500), QSize(1, 1)}) {
        view.resize(wanted);
        QTest::qWait(50);
        const QSize size = view.size();
        QVERIFY(size.width() <= std::max(wanted.width(), 600));
        events.reading(QStringLiteral("64"), 50, QDateTime::currentDateTime());
        QVERIFY2(4 * peak->font().pixelSize() >= number->font().pixelSize(),
                 qPrintable(QStringLiteral("%1 %2").arg(peak->font().pixelSize()).arg(number->font().pixelSize())));
        // The peak's line fits in its half of the window.
        QVERIFY(QFontMetrics(peak->font()).horizontalAdvance(peak->text()) <= size.width() / 2);
        QVERIFY(gauge->isVisible() && gauge->height() > 0);
        const QRect where = number->geometry();
        events.noReading(QStringLiteral("Connection refused"), SignalWatch::Failure::NoAnswer,
                         QDateTime::currentDateTime());
        QTest::qWait(20);
        QCOMPARE(number->geometry(), where);
        const QList<QLabel *> labels = view.findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel *label) {
            return label->isVisible() && label->text() == u"Connection refused";
        }));
    }
}

QTEST_MAIN(TestAimView)
#include "test_aim_view.moc"
