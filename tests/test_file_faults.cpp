// A program folder that cannot be written, and one that is full. These need
// folders the test itself cannot make as root: scripts/test mounts them
// (a read-only and a tiny tmpfs) and names them in TALVOR_TEST_RO_DIR and
// TALVOR_TEST_FULL_DIR; without them the cases are skipped.
#include "FakeDialogs.h"
#include "SettingsFiles.h"
#include "TestHttpServer.h"
#include "form/CrlfTextView.h"

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

private:
    // Settings refused, log line refused, and polling goes on all the same.
    void checkRefusals(const QString &folder);
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
        writeFile(QDir(dir.path()).filePath(QStringLiteral("Talvor.ini")), settingsLine(QStringLiteral("http://127.0.0.1:9/"), "3", 0));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        checkRefusals(dir.path());
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return;
    }
    checkRefusals(folder);
}

void TestFileFaults::fullFolder()
{
    const QString folder = qEnvironmentVariable("TALVOR_TEST_FULL_DIR");
    if (folder.isEmpty())
        QSKIP("no small folder was mounted for this run");
    writeFile(QDir(folder).filePath(QStringLiteral("Talvor.ini")), settingsLine(QStringLiteral("http://127.0.0.1:9/"), "3", 0));
    // Fill what is left.
    QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    for (const int size : {4096, 512, 1}) {
        const QByteArray block(size, 'x');
        while (filler.write(block) == block.size()) {
        }
    }
    filler.close();
    checkRefusals(folder);
    // The settings file is whole after the refused save.
    QCOMPARE(readFile(QDir(folder).filePath(QStringLiteral("Talvor.ini"))),
             settingsLine(QStringLiteral("http://127.0.0.1:9/"), "3", 0));
}

QTEST_MAIN(TestFileFaults)
#include "test_file_faults.moc"
