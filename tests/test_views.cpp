// Switching tabs and the help text.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "window/form/CrlfTextView.h"
#include "window/form/TabViews.h"

#include <QDir>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestViews : public QObject {
    Q_OBJECT
private slots:
    void init();
    void switchingTabsShowsOnePanel();
    void unsavedChangesAreOfferedOnceOnSwitching();
    void helpIsReadOnEveryVisit();
    void missingHelpFile();

private:
    void clickTab(int index)
    {
        QTest::mouseClick(w->c.ChooseView, Qt::LeftButton, {}, w->c.ChooseView->tabRect(index).center());
    }
    QString helpPath() const { return QDir(home->path()).filePath(QStringLiteral("Read Me.txt")); }

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestWindow> window;
    Talvorf *w = nullptr;
};

void TestViews::init()
{
    home = std::make_unique<QTemporaryDir>();
    window = loadTestWindow(*home);
    w = window->window.get();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
}

void TestViews::switchingTabsShowsOnePanel()
{
    clickTab(2);
    QCOMPARE(w->form.CurrentTab, qint16(3));
    QVERIFY(w->c.Frame1[2]->isVisible());
    QVERIFY(!w->c.Frame1[0]->isVisible());
    clickTab(1);
    QVERIFY(w->c.Frame1[1]->isVisible());
    QVERIFY(!w->c.Frame1[2]->isVisible());
    // The tab already shown: nothing happens, not even the prompt.
    w->form.SettingsDirty = 5;
    clickTab(1);
    QVERIFY(window->dialogs->questions.isEmpty());
    QCOMPARE(w->form.SettingsDirty, qint16(5));
}

void TestViews::unsavedChangesAreOfferedOnceOnSwitching()
{
    clickTab(2);
    w->c.ssThreshold->setText(QStringLiteral("60"));
    clickTab(0);
    QCOMPARE(window->dialogs->questions, QStringList{QStringLiteral("Save Settings?|Save changes made to settings?")});
    QCOMPARE(w->form.SettingsDirty, qint16(0));
    clickTab(1);
    QCOMPARE(window->dialogs->questions.size(), 1);
}

void TestViews::helpIsReadOnEveryVisit()
{
    writeFile(helpPath(), "one\r\ntwo\r\nthree\r\n");
    clickTab(3);
    QCOMPARE(w->c.HelpText->text(), QStringLiteral("one\r\ntwo\r\nthree\r\n"));
    clickTab(0);
    writeFile(helpPath(), "changed");
    clickTab(3);
    QCOMPARE(w->c.HelpText->text(), QStringLiteral("changed\r\n"));
    writeFile(helpPath(), "");
    clickTab(0);
    clickTab(3);
    QCOMPARE(w->c.HelpText->text(), QString());
}

void TestViews::missingHelpFile()
{
    // A portable copy run with TALVOR_HOME elsewhere finds the help beside
    // its executable, as the build's bin folder holds it; another letter case
    // in the program folder is not the help file.
    writeFile(QDir(home->path()).filePath(QStringLiteral("read me.txt")), "x");
    clickTab(3);
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Read Me.txt"));
    QVERIFY(w->c.HelpText->text().startsWith(QStringLiteral("Talvor Signal Strength Monitor\r\n")));
    QVERIFY(QFile::exists(beside));
    QCOMPARE(w->form.CurrentTab, qint16(4));
}

QTEST_MAIN(TestViews)
#include "test_views.moc"
