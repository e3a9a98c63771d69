// A program folder that cannot be written, and one that is full. The real
// folders need what the test itself cannot make as root: scripts/test mounts
// them (a read-only and a tiny tmpfs) and names them in TALVOR_TEST_RO_DIR and
// TALVOR_TEST_FULL_DIR; without them those cases are skipped. Files that fill
// up part way test the same paths on any machine.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "ShortWriteFile.h"
#include "TestHttpServer.h"
#include "core/settings/SettingsFile.h"
#include "monitor/record/DailyLogFile.h"
#include "window/form/CrlfTextView.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

class TestFileFaults : public QObject {
    Q_OBJECT
private slots:
    void readOnlyFolder();
    void fullFolder();
    void diskFillsUpDuringAWrite_data();
    void diskFillsUpDuringAWrite();

private:
    // Settings refused, log line refused, and polling goes on all the same.
    void checkRefusals(const QString &folder);
    // A reset that cannot remove the file says so.
    void checkResetRefused();
};

void TestFileFaults::checkRefusals(const QString &folder)
{
    qputenv("TALVOR_HOME", folder.toLocal8Bit());
    TestHttpServer server;
    server.setBehaviour(TestHttpServer::reply(modemPage("58")));
    TestWindow window;
    Talvorf *w = window.window.get();
    w->Form_Load();
    // The file there points elsewhere; this test's server is on loopback too.
    w->c.txtURL->setText(server.url());
    w->c.DoLogFile->setChecked(true);
    w->Save_Options_Click();
    QCOMPARE(window.dialogs->warnings.size(), 1);
    QVERIFY(window.dialogs->warnings.first().contains(QDir(folder).filePath(QStringLiteral("Talvor.ini"))));

    w->c.EnableAutoCheck->setChecked(true);
    QTRY_COMPARE(w->windowTitle(), QStringLiteral("58 = SS"));
    QTRY_VERIFY(w->c.Info_HTML->text().contains(QStringLiteral("Could not write the log line to")));
    const int before = server.requestCount();
    QTRY_VERIFY(server.requestCount() > before);
}

void TestFileFaults::readOnlyFolder()
{
    const QString folder = qEnvironmentVariable("TALVOR_TEST_RO_DIR");
    if (folder.isEmpty()) {
        if (::geteuid() == 0)
            QSKIP("no read-only folder was mounted for this run");
        // Without root, file permissions are enough.
        QTemporaryDir dir;
        writeFile(QDir(dir.path()).filePath(QStringLiteral("Talvor.ini")),
                  settingsLine(QStringLiteral("http://127.0.0.1:9/"), "3", 0));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        checkRefusals(dir.path());
        checkResetRefused();
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return;
    }
    checkRefusals(folder);
    checkResetRefused();
}

void TestFileFaults::checkResetRefused()
{
    TestWindow window;
    window.window->Form_Load();
    window.window->menuresettodefault_Click();
    QCOMPARE(window.dialogs->warnings.size(), 1);
    QVERIFY(window.dialogs->warnings.first().contains(QStringLiteral("could not be removed")));
}

void TestFileFaults::fullFolder()
{
    const QString folder = qEnvironmentVariable("TALVOR_TEST_FULL_DIR");
    if (folder.isEmpty())
        QSKIP("no small folder was mounted for this run");
    writeFile(QDir(folder).filePath(QStringLiteral("Talvor.ini")),
              settingsLine(QStringLiteral("http://127.0.0.1:9/"), "3", 0));
    // Fill what is left.
    QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    for (const int size : {4096, 512, 1}) {
        const QByteArray block(size, 'x');
        while (filler.write(block) == block.size()) { }
    }
    filler.close();
    checkRefusals(folder);
    // The settings file is whole after the refused save.
    QCOMPARE(readFile(QDir(folder).filePath(QStringLiteral("Talvor.ini"))),
             settingsLine(QStringLiteral("http://127.0.0.1:9/"), "3", 0));
}

void TestFileFaults::diskFillsUpDuringAWrite_data()
{
    QTest::addColumn<qint64>("room");
    QTest::newRow("nothing fits") << qint64(0);
    QTest::newRow("part of a line fits") << qint64(9);
}

void TestFileFaults::diskFillsUpDuringAWrite()
{
    QFETCH(qint64, room);
    QTemporaryDir home;
    qputenv("TALVOR_HOME", home.path().toLocal8Bit());
    const QString ini = QDir(home.path()).filePath(QStringLiteral("Talvor.ini"));
    writeFile(ini, settingsLine(QStringLiteral("http://127.0.0.1:9/"), "3", 0));

    // The log keeps whole rows only, and the page view gives the real reason.
    TestWindow window;
    Talvorf *w = window.window.get();
    w->Form_Load();
    w->c.DoLogFile->setChecked(true);
    w->c.Talvor->setText(QStringLiteral("57"));
    w->ProcessNewReading();
    QString logPath;
    w->dailyLog().setFileFactory([&](const QString &path) {
        logPath = path;
        return std::make_unique<ShortWriteFile>(path, room);
    });
    const QByteArray before =
        readFile(QDir(home.path()).filePath(QDir(home.path()).entryList({QStringLiteral("*.csv")}).first()));
    w->c.Talvor->setText(QStringLiteral("58"));
    w->ProcessNewReading();
    QCOMPARE(readFile(logPath), before);
    QVERIFY(w->c.Info_HTML->text().endsWith(QStringLiteral(": No space left on device\r\n")));
}

QTEST_MAIN(TestFileFaults)
#include "test_file_faults.moc"
