#include "core/settings/Settings.h"
#include "core/settings/SettingsFile.h"

#include <QTest>

using namespace talvor;

namespace {
QStringList texts(const QList<SettingsField> &fields)
{
    QStringList out;
    for (const auto &f : fields)
        out << f.text;
    return out;
}
} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void writesTheFirstStartLine();
    void quotesInsideTextsSurvive();
    void readsFieldsInOrder();
    void fieldCountLimits();
    void fieldConversions();
    void encodingsOfTheFile_data();
    void encodingsOfTheFile();
    void addressesOutsideLatin1AreStoredEncoded();
    void pollSettingsAsTheBoxesHoldThem_data();
    void pollSettingsAsTheBoxesHoldThem();
};

void TestSettingsFile::writesTheFirstStartLine()
{
    talvor::Settings s = firstStartSettings();
    QCOMPARE(writeSettingsLine(s),
             QByteArray("1,\"50\",\"200\",\"50\",0,\"Signal Strength.............. \","
                        "\"http://192.168.0.1/stats/summary/summary 1 .txt\",\"Arial\",#FALSE#,#FALSE#,15.75,"
                        "-2147483641,49152,16777215,255,0,0,0\r\n"));
    s.font = {QStringLiteral("Courier New"), 8.25f, true, false};
    QVERIFY(writeSettingsLine(s).contains(",\"Courier New\",#TRUE#,#FALSE#,8.25,"));
    s.font.size = 12;
    QVERIFY(writeSettingsLine(s).contains(",#FALSE#,12,-2147483641,"));
    // Field 17 is the log, field 18 the alerts.
    s.DoLogFile = 1;
    QVERIFY(writeSettingsLine(s).endsWith(",0,1,0\r\n"));
}

void TestSettingsFile::quotesInsideTextsSurvive()
{
    talvor::Settings s;
    s.SearchText = QStringLiteral("SS \"dB\": ");
    const QByteArray line = writeSettingsLine(s);
    QVERIFY(line.contains(",\"SS \"\"dB\"\": \","));
    const auto fields = readSettingsFields(line);
    QVERIFY(fields);
    QCOMPARE(fields->size(), 18);
    QCOMPARE(fields->at(5).text, s.SearchText);
    QCOMPARE(fields->at(6).text, QString()); // the next field is not swallowed
}

void TestSettingsFile::readsFieldsInOrder()
{
    // The trailing blank of a quoted text stays; bare fields lose theirs.
    auto f = readSettingsFields("1, \"50\" ,\"Signal Strength.............. \", 7 ,#TRUE#\r\n");
    QCOMPARE(texts(*f),
             (QStringList{QStringLiteral("1"), QStringLiteral("50"), QStringLiteral("Signal Strength.............. "),
                          QStringLiteral("7"), QStringLiteral("#TRUE#")}));
    QVERIFY(f->at(1).quoted && !f->at(3).quoted);

    // Empty fields: two commas in a row, and a comma at the end of a line.
    f = readSettingsFields("1,,\"x\",\r\n");
    QCOMPARE(texts(*f),
             (QStringList{QStringLiteral("1"), QStringLiteral(""), QStringLiteral("x"), QStringLiteral("")}));

    // Fields run on across lines; blank lines are no fields.
    f = readSettingsFields("1,\"a\"\r\n\r\n\"b\",2\n3");
    QCOMPARE(texts(*f),
             (QStringList{QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("2"),
                          QStringLiteral("3")}));

    // Text after a closing quote is ignored up to the separator.
    f = readSettingsFields("\"a\"junk,\"b\"");
    QCOMPARE(texts(*f), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    // An unclosed quote runs to the end of the file.
    f = readSettingsFields("1,\"abc");
    QCOMPARE(texts(*f), (QStringList{QStringLiteral("1"), QStringLiteral("abc")}));

    QCOMPARE(readSettingsFields("")->size(), 0);
}

void TestSettingsFile::fieldCountLimits()
{
    QByteArray line = "1";
    for (int i = 2; i <= 20; ++i)
        line += "," + QByteArray::number(i);
    QCOMPARE(readSettingsFields(line)->size(), 20);
    QVERIFY(!readSettingsFields(line + ",21"));
    QVERIFY(!readSettingsFields(line + "\r\n21"));
}

void TestSettingsFile::fieldConversions()
{
    QCOMPARE((SettingsField{QStringLiteral("#TRUE#"), false}).number(), -1.0);
    QCOMPARE((SettingsField{QStringLiteral("#FALSE#"), false}).number(), 0.0);
    QVERIFY((SettingsField{QStringLiteral("#TRUE#"), false}).boolean());
    QCOMPARE((SettingsField{QStringLiteral("-2147483641"), false}).number(), -2147483641.0);
    QCOMPARE((SettingsField{QStringLiteral("15.75"), false}).number(), 15.75);
    QCOMPARE((SettingsField{QStringLiteral(""), false}).number(), 0.0);
    QVERIFY((SettingsField{QStringLiteral(""), true}).isEmpty());
}

void TestSettingsFile::encodingsOfTheFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("fields"); // -1: not a settings file at all
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                         "1,\"50\"\r\n")
                                           << 2;
    QTest::newRow("UTF-16 little-endian") << QByteArray("\xFF\xFE"
                                                        "1\0,\0",
                                                        6)
                                          << -1;
    QTest::newRow("UTF-16 big-endian") << QByteArray("\xFE\xFF\0"
                                                     "1\0,",
                                                     6)
                                       << -1;
    QTest::newRow("NUL in a field") << QByteArray("1,\"5\0\"\r\n", 8) << -1;
}

void TestSettingsFile::encodingsOfTheFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, fields);
    const auto read = readSettingsFields(content);
    QCOMPARE(read ? int(read->size()) : -1, fields);
    if (read && fields > 0)
        QCOMPARE(read->first().number(), 1.0);
}

void TestSettingsFile::addressesOutsideLatin1AreStoredEncoded()
{
    QCOMPARE(storableUrl(QStringLiteral("http://192.168.0.1/stats/summary/summary 1 .txt")),
             QStringLiteral("http://192.168.0.1/stats/summary/summary 1 .txt"));
    QCOMPARE(storableUrl(QString::fromUtf8("http://127.0.0.1/\u0441\u0442\u0430\u0442.txt")),
             QStringLiteral("http://127.0.0.1/%D1%81%D1%82%D0%B0%D1%82.txt"));
}

void TestSettingsFile::pollSettingsAsTheBoxesHoldThem_data()
{
    // The monitor without a window must poll exactly as the window would
    // after loading the same file.
    QTest::addColumn<QByteArray>("line"); // empty: no file could be read
    QTest::addColumn<bool>("autoCheck");
    QTest::addColumn<int>("tenths");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<bool>("logFile");
    const QByteArray rest = ",\"Arial\",#FALSE#,#FALSE#,15.75,0,0,0,0,0";
    QTest::newRow("no file: the first start's") << QByteArray() << true << 50 << 50.0 << false;
    QTest::newRow("as saved") << "1,\"12\",\"200\",\"45\",0,\"SS \",\"http://m/s\"" + rest + ",1" << true << 12 << 45.0
                              << true;
    QTest::newRow("off, no log field") << "0,\"50\",\"200\",\"50\",0,\"SS \",\"http://m/s\"" + rest << false << 50
                                       << 50.0 << false;
    QTest::newRow("slider snaps 51") << "1,\"51\",\"200\",\"50\",0,\"SS \",\"http://m/s\"" + rest << true << 60 << 50.0
                                     << false;
    QTest::newRow("beyond the slider") << "1,\"900\",\"200\",\"50\",0,\"SS \",\"http://m/s\"" + rest << true << 600
                                       << 50.0 << false;
    QTest::newRow("empty threshold is 0")
        << "1,\"50\",\"200\",\"\",0,\"SS \",\"http://m/s\"" + rest << true << 50 << 0.0 << false;
    QTest::newRow("threshold no number is 50")
        << "1,\"50\",\"200\",\"x\",0,\"SS \",\"http://m/s\"" + rest << true << 50 << 50.0 << false;
}

void TestSettingsFile::pollSettingsAsTheBoxesHoldThem()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, autoCheck);
    QFETCH(int, tenths);
    QFETCH(double, threshold);
    QFETCH(bool, logFile);
    SettingsRead read;
    if (!line.isEmpty()) {
        read.outcome = SettingsRead::Read;
        read.fields = *readSettingsFields(line + "\r\n");
    }
    const PollSettings poll = pollSettings(read);
    QCOMPARE(poll.autoCheck, autoCheck);
    QCOMPARE(poll.tenths, tenths);
    QCOMPARE(poll.threshold, threshold);
    QCOMPARE(poll.logFile, logFile);
    QCOMPARE(poll.searchText, line.isEmpty() ? DefaultSearchText : QStringLiteral("SS "));
    QCOMPARE(poll.url, line.isEmpty() ? DefaultStatusUrl : QStringLiteral("http://m/s"));
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
