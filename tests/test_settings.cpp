// Loading, saving and resetting the settings through the real window.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "monitor/Monitor.h"
#include "window/form/CaptionLabel.h"
#include "window/form/ColorSwatch.h"
#include "window/settings/SettingsController.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QByteArray firstStartLine =
    "1,\"50\",\"200\",\"50\",0,\"Signal Strength.............. \",\"http://192.168.0.1/stats/summary/summary 1 .txt\","
    "\"Arial\",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,0,0,0\r\n";
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstStartWritesTheDefaults();
    void refreshValueFromTheFile();
    void refreshValueOutOfRangeIsClamped();
    void shortFileKeepsTheLastThreeValues();
    void zerosInTheLastThreeAreNotApplied();
    void shortFileStartsFromVisibleColoursAndEmptyFieldsReact();
    void extraFieldsUpToTwentyAreIgnored();
    void unreadableFileIsSetAside();
    void textsSurviveASaveAndALoad();
    void fileWithoutQuotesInTextsRoundTrips();
    void resetRestoresTheDefaultsButKeepsTheFont();
    void savingDoesNotClearTheChangeMark();
    void noPromptWhileLoading();
    void failedSaveWarnsAndKeepsRunning();

private:
    QString iniPath() const { return QDir(home->path()).filePath(QStringLiteral("Talvor.ini")); }
    // Loads with polling stopped before any event runs: the default address
    // belongs to a LAN modem and is never contacted from a test.
    void load(TestWindow &w)
    {
        w->Form_Load();
        w->monitor().setAutoCheck(false);
    }

    std::unique_ptr<QTemporaryDir> home;
    const QString loopbackUrl = QStringLiteral("http://127.0.0.1:9/s.txt");
};

void TestSettings::init()
{
    home = std::make_unique<QTemporaryDir>();
    qputenv("TALVOR_HOME", home->path().toLocal8Bit());
}

void TestSettings::firstStartWritesTheDefaults()
{
    TestWindow w;
    w->Form_Load();
    QCOMPARE(w->c.AutoCheck->interval(), 5000);
    QVERIFY(w->c.AutoCheck->isActive());
    w->monitor().setAutoCheck(false);

    QCOMPARE(readFile(iniPath()), firstStartLine);
    QCOMPARE(w->windowTitle(), QStringLiteral("0 = SS"));
    QCOMPARE(w->form.CurrentTab, qint16(1));
    QCOMPARE(w->c.ChooseView->currentIndex(), 0);
    QVERIFY(w->c.Frame1[0]->isVisibleTo(w.window.get()));
    QVERIFY(!w->c.Frame1[2]->isVisibleTo(w.window.get()));
    QCOMPARE(w->c.DisplaySec->text(), QStringLiteral("5.0"));
    QCOMPARE(w->c.HScroll1->value(), 50);
    QCOMPARE(w->form.SettingsDirty, qint16(0));
    QVERIFY(!w->form.Loading);
    QVERIFY(w.dialogs->questions.isEmpty());
    QVERIFY(w.dialogs->warnings.isEmpty());
}

void TestSettings::refreshValueFromTheFile()
{
    writeFile(iniPath(), settingsLine(loopbackUrl, "75"));
    TestWindow w;
    load(w);
    QCOMPARE(w->c.M_refresh_rate->text(), QStringLiteral("75"));
    QCOMPARE(w->c.HScroll1->value(), 75);
    QCOMPARE(w->c.AutoCheck->interval(), 7500);
    QCOMPARE(w->c.DisplaySec->text(), QStringLiteral("7.5"));
    QVERIFY(w->c.EnableAutoCheck->isChecked());
    QCOMPARE(w->c.txtURL->text(), loopbackUrl);
}

void TestSettings::refreshValueOutOfRangeIsClamped()
{
    const struct {
        QByteArray stored;
        int tenths;
    } cases[] = {{"0", 1}, {"-40", 1}, {"9999", 600}, {"abc", 50}};
    for (const auto &c : cases) {
        writeFile(iniPath(), settingsLine(loopbackUrl, c.stored, 0));
        TestWindow w;
        load(w);
        QCOMPARE(w->c.HScroll1->value(), c.tenths);
        QCOMPARE(w->c.AutoCheck->interval(), c.tenths * 100);
        QVERIFY(!w->c.AutoCheck->isActive());
    }
}

void TestSettings::shortFileKeepsTheLastThreeValues()
{
    QByteArray line = settingsLine(loopbackUrl, "20");
    line = line.left(line.indexOf(",16777215")) + "\r\n"; // 13 values
    writeFile(iniPath(), line);
    TestWindow w;
    w->c.LeftColorBad->setColorValue(0x123456);
    w->c.RightColorBad->setColorValue(0x654321);
    w->c.ShowInSystemTray->setChecked(true);
    load(w);
    QCOMPARE(w->c.LeftColorBad->colorValue(), 0x123456u);
    QCOMPARE(w->c.RightColorBad->colorValue(), 0x654321u);
    QVERIFY(w->c.ShowInSystemTray->isChecked());
    QCOMPARE(w->c.HScroll1->value(), 20);
    QCOMPARE(w->c.RightColor->colorValue(), 49152u);
    QCOMPARE(readFile(iniPath()), line); // loading never writes
}

void TestSettings::shortFileStartsFromVisibleColoursAndEmptyFieldsReact()
{
    // Thirteen values, the history length and threshold stored empty.
    QByteArray line = settingsLine(loopbackUrl);
    line = line.left(line.indexOf(",16777215")) + "\r\n";
    line.replace(",\"200\",\"50\",", ",\"\",\"\",");
    writeFile(iniPath(), line);
    TestWindow w;
    load(w);
    QCOMPARE(w->c.LeftColorBad->colorValue(), 0xFFFFFFu);
    QCOMPARE(w->c.RightColorBad->colorValue(), 0x0000FFu);
    QCOMPARE(w->c.SShistoryLen->text(), QStringLiteral("0"));
    QCOMPARE(w->c.ssThreshold->text(), QStringLiteral("0"));
}

void TestSettings::zerosInTheLastThreeAreNotApplied()
{
    QByteArray line = settingsLine(loopbackUrl);
    line.replace(",16777215,255,0\r\n", ",0,0,0\r\n");
    writeFile(iniPath(), line);
    TestWindow w;
    w->c.LeftColorBad->setColorValue(0x111111);
    w->c.RightColorBad->setColorValue(0x222222);
    load(w);
    QCOMPARE(w->c.LeftColorBad->colorValue(), 0x111111u);
    QCOMPARE(w->c.RightColorBad->colorValue(), 0x222222u);
}

void TestSettings::extraFieldsUpToTwentyAreIgnored()
{
    QByteArray line = settingsLine(loopbackUrl, "30");
    line.chop(2);
    writeFile(iniPath(), line + ",0,1,3,4\r\n");
    TestWindow w;
    load(w);
    QCOMPARE(w->c.HScroll1->value(), 30);
    QVERIFY(!w->c.DoLogFile->isChecked() && w->c.NotifyAlerts->isChecked());
    QVERIFY(!QFile::exists(iniPath() + QStringLiteral(".bad")));
}

void TestSettings::unreadableFileIsSetAside()
{
    QByteArray line = settingsLine(loopbackUrl, "30");
    line.chop(2);
    line += ",1,2,3,4,5\r\n"; // 21 fields
    writeFile(iniPath(), line);
    TestWindow w;
    load(w);
    QCOMPARE(readFile(iniPath() + QStringLiteral(".bad")), line);
    QCOMPARE(readFile(iniPath()), firstStartLine);
    QCOMPARE(w->c.HScroll1->value(), 50);
    QCOMPARE(w->form.SettingsDirty, qint16(0));

    // An older set-aside file is replaced by the newer one.
    writeFile(iniPath(), "garbage\r\n");
    TestWindow again;
    load(again);
    QCOMPARE(readFile(iniPath() + QStringLiteral(".bad")), QByteArray("garbage\r\n"));
    QVERIFY(again.dialogs->warnings.isEmpty());

    // Larger than anything the program writes: set aside, and said so.
    const QByteArray huge = line + QByteArray(1024 * 1024, ' ');
    writeFile(iniPath(), huge);
    TestWindow large;
    load(large);
    QCOMPARE(readFile(iniPath() + QStringLiteral(".bad")), huge);
    QCOMPARE(large.dialogs->warnings.size(), 1);
    QVERIFY(large.dialogs->warnings.first().contains(iniPath() + QStringLiteral(".bad")));
}

void TestSettings::textsSurviveASaveAndALoad()
{
    {
        TestWindow w;
        load(w);
        w->c.SearchText->setText(QStringLiteral("Signal \"Level\":   "));
        w->c.txtURL->setText(loopbackUrl);
        w->c.LeftColorBad->setColorValue(0);
        w->Save_Options_Click();
    }
    {
        TestWindow w;
        load(w);
        QCOMPARE(w->c.SearchText->text(), QStringLiteral("Signal \"Level\":   "));
        QCOMPARE(w->c.txtURL->text(), loopbackUrl);
        // Black is not lost to the 0 that means "not stored".
        QCOMPARE(w->c.LeftColorBad->colorValue(), 0u);
        // Both boxes full: the largest file the program writes, 65.5 kB.
        w->c.SearchText->setText(QString(32767, u'x'));
        w->c.txtURL->setText(loopbackUrl + u'?' + QString(32767 - loopbackUrl.size() - 1, u'a'));
        w->Save_Options_Click();
    }
    TestWindow w;
    load(w);
    QVERIFY(QFileInfo(iniPath()).size() > 65536);
    QCOMPARE(w->c.SearchText->text(), QString(32767, u'x'));
    QCOMPARE(w->c.txtURL->text().size(), 32767);
}

void TestSettings::fileWithoutQuotesInTextsRoundTrips()
{
    const QByteArray line = "0,\"120\",\"35\",\"-10.5\",0,\"SS= \",\"http://127.0.0.1:9/a b.txt\",\"Courier New\","
                            "#TRUE#,#TRUE#,8.25,255,16711680,65280,8421504,0,1,1\r\n";
    writeFile(iniPath(), line);
    TestWindow w;
    load(w);
    QCOMPARE(w->c.Ikon->font().family(), QStringLiteral("Courier New"));
    QVERIFY(w->c.Ikon->font().bold() && w->c.Ikon->font().italic());
    // Logging and alerts stay on across starts.
    QVERIFY(w->c.DoLogFile->isChecked() && w->c.NotifyAlerts->isChecked());
    w->Save_Options_Click();
    QCOMPARE(readFile(iniPath()), line);
}

void TestSettings::resetRestoresTheDefaultsButKeepsTheFont()
{
    writeFile(iniPath(),
              "0,\"120\",\"35\",\"-10\",1,\"SS= \",\"http://127.0.0.1:9/x\",\"Courier New\","
              "#TRUE#,#FALSE#,12,255,16711680,65280,8421504,0,1,1\r\n");
    TestWindow w;
    load(w);
    QVERIFY(w->c.MinimizeStartup->isChecked());
    w->c.ChooseView->setCurrentIndex(2);
    w->c.ssThreshold->setText(QStringLiteral("70"));
    w->c.DoLogFile->setChecked(true);
    w->c.NotifyAlerts->setChecked(true);
    w->menuresettodefault_Click();
    w->monitor().setAutoCheck(false);

    QCOMPARE(w->form.CurrentTab, qint16(1));
    QCOMPARE(w->c.ChooseView->currentIndex(), 0);
    QCOMPARE(w->form.SettingsDirty, qint16(0));
    QVERIFY(w->c.EnableAutoCheck->isChecked());
    QCOMPARE(w->c.M_refresh_rate->text(), QStringLiteral("50"));
    QCOMPARE(w->c.ssThreshold->text(), QStringLiteral("50"));
    QVERIFY(!w->c.MinimizeStartup->isChecked());
    // The user's log and alerts are not part of the look reset brings back.
    QVERIFY(w->c.DoLogFile->isChecked() && w->c.NotifyAlerts->isChecked());
    QCOMPARE(w->c.LeftColor->colorValue(), 0x80000007u);
    QCOMPARE(w->c.RightColorBad->colorValue(), 255u);
    QCOMPARE(w->c.Ikon->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(readFile(iniPath()),
             QByteArray(firstStartLine)
                 .replace("\"Arial\",#FALSE#,#FALSE#,15.75", "\"Courier New\",#TRUE#,#FALSE#,12")
                 .replace(",0,0,0\r\n", ",0,1,1\r\n"));
}

void TestSettings::savingDoesNotClearTheChangeMark()
{
    writeFile(iniPath(), settingsLine(loopbackUrl));
    TestWindow w;
    load(w);
    w->c.SearchText->setText(QStringLiteral("SS65="));
    QVERIFY(w->form.SettingsDirty > 0);
    w->Save_Options_Click();
    QVERIFY(readFile(iniPath()).contains(",\"SS65=\","));
    w->settings().PromptSaveSettings();
    QCOMPARE(w.dialogs->questions, QStringList{QStringLiteral("Save Settings?|Save changes made to settings?")});
    QCOMPARE(w->form.SettingsDirty, qint16(0));
    // Nothing changed since: no second question.
    w->settings().PromptSaveSettings();
    QCOMPARE(w.dialogs->questions.size(), 1);

    // A "No" leaves the file as it was; a "Yes" saves.
    w->c.SearchText->setText(QStringLiteral("SS66="));
    w->settings().PromptSaveSettings();
    QVERIFY(readFile(iniPath()).contains(",\"SS65=\","));
    w->c.SearchText->setText(QStringLiteral("SS67="));
    w.dialogs->answerYes = true;
    w->settings().PromptSaveSettings();
    QVERIFY(readFile(iniPath()).contains(",\"SS67=\","));
}

void TestSettings::noPromptWhileLoading()
{
    writeFile(iniPath(), settingsLine(loopbackUrl));
    TestWindow w;
    load(w);
    w->form.Loading = true;
    w->c.SearchText->setText(QStringLiteral("x"));
    QCOMPARE(w->form.SettingsDirty, qint16(5));
    w->settings().PromptSaveSettings();
    QVERIFY(w.dialogs->questions.isEmpty());
    QCOMPARE(w->form.SettingsDirty, qint16(5));
}

void TestSettings::failedSaveWarnsAndKeepsRunning()
{
    // A folder that cannot be made: "no" is a file.
    writeFile(QDir(home->path()).filePath(QStringLiteral("no")), "");
    const QString missing = QDir(home->path()).filePath(QStringLiteral("no/such/folder"));
    qputenv("TALVOR_HOME", missing.toLocal8Bit());
    TestWindow w;
    load(w);
    QCOMPARE(w.dialogs->warnings.size(), 1);
    QVERIFY(w.dialogs->warnings.first().contains(missing + QStringLiteral("/Talvor.ini")));
    QVERIFY(w.dialogs->warnings.first().startsWith(QStringLiteral("The settings could not be saved")));
    QCOMPARE(w->c.AutoCheck->interval(), 5000);
    w->Save_Options_Click();
    QCOMPARE(w.dialogs->warnings.size(), 2);
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
