#include "core/reading/Extraction.h"
#include "core/reading/JsonScan.h"
#include "core/reading/NamedValues.h"

#include <QTest>

using talvor::extractReading;

namespace {
const QString search = QStringLiteral("Signal Strength.............. ");
QString page(const QString &afterSearch)
{
    return QStringLiteral("Gettting new Data!!  Request number - 1\r\nReceiving a response from the remote server.\r\n"
                          "Status\r\nSignal Strength.............. ")
        + afterSearch + QStringLiteral("\r\nThe request was completed, all data has been received. \r\n");
}
} // namespace

class TestExtraction : public QObject {
    Q_OBJECT
private slots:
    void readsTheNumberAfterTheSearchText_data();
    void readsTheNumberAfterTheSearchText();
    void noSearchTextNoReading();
    void rulesReadOtherPages_data();
    void rulesReadOtherPages();
    void namedValuesComeFromOnePage_data();
    void namedValuesComeFromOnePage();
    void walkingToAPointerAgreesWithParsing();
};

void TestExtraction::readsTheNumberAfterTheSearchText_data()
{
    QTest::addColumn<QString>("afterSearch");
    QTest::addColumn<QString>("reading");
    QTest::newRow("57") << "57"
                        << "57";
    QTest::newRow("blank 5 blank") << " 5 "
                                   << "5";
    QTest::newRow("fraction") << "1.5"
                              << "1.5";
    QTest::newRow("three digits") << "250"
                                  << "250";
    QTest::newRow("only three characters") << "1234"
                                           << "123";
    QTest::newRow("leading point") << ".55"
                                   << "0.55";
    QTest::newRow("negative") << "-3 dB"
                              << "-3";
    QTest::newRow("no digits") << "n/a"
                               << "0";
    // The line end and the start of the completion line follow: no number.
    QTest::newRow("search text at the end of the body") << ""
                                                        << "0";
}

void TestExtraction::readsTheNumberAfterTheSearchText()
{
    QFETCH(QString, afterSearch);
    QFETCH(QString, reading);
    QCOMPARE(extractReading(page(afterSearch), search), std::optional<QString>(reading));
}

void TestExtraction::noSearchTextNoReading()
{
    QCOMPARE(extractReading(page(QStringLiteral("57")), QStringLiteral("signal STRENGTH.............. ")),
             std::optional<QString>(QStringLiteral("57")));
    QCOMPARE(extractReading(page(QStringLiteral("57")), QString()), std::nullopt);
    QCOMPARE(extractReading(page(QStringLiteral("57")), QStringLiteral("Rain Fade: ")), std::nullopt);
    // The first occurrence counts.
    QCOMPARE(extractReading(QStringLiteral("SS: 12 SS: 34"), QStringLiteral("SS: ")),
             std::optional<QString>(QStringLiteral("12")));
}

void TestExtraction::rulesReadOtherPages_data()
{
    // The reading each rule gives, or the start of the words for why none.
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("pattern"); // the search text for three and number
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("failure");
    QTest::newRow("three cuts a long number") << "RSRP: -105.5 dBm"
                                              << "three"
                                              << "RSRP: "
                                              << "-10"
                                              << "";
    QTest::newRow("number takes it whole") << "RSRP: -105.5 dBm"
                                           << "number"
                                           << "RSRP: "
                                           << "-105.5"
                                           << "";
    QTest::newRow("decimal comma") << "SNR: 12,5 dB"
                                   << "number"
                                   << "snr: "
                                   << "12.5"
                                   << "";
    QTest::newRow("Unicode minus") << "Power: \u22120.6 dBmV"
                                   << "number"
                                   << "Power:"
                                   << "-0.6"
                                   << "";
    QTest::newRow("at the end of the body") << "SINR: 12"
                                            << "number"
                                            << "SINR: "
                                            << "12"
                                            << "";
    QTest::newRow("a point that ends the sentence") << "SNR: 14."
                                                    << "number"
                                                    << "SNR: "
                                                    << "14"
                                                    << "";
    QTest::newRow("no number after it") << "SNR: n/a"
                                        << "number"
                                        << "SNR: "
                                        << ""
                                        << "No number follows";
    QTest::newRow("too long") << "SNR: 1234567890123456"
                              << "number"
                              << "SNR: "
                              << ""
                              << "The number after the search text is too long";
    QTest::newRow("number, no search text") << "SNR: 5"
                                            << "number"
                                            << "RSRP"
                                            << ""
                                            << "Search text not found!";
    QTest::newRow("regex") << "<td>SINR</td><td>12.5</td>"
                           << "regex"
                           << "SINR</td><td>([^<]*)"
                           << "12.5"
                           << "";
    QTest::newRow("regex without a group") << "SINR 12"
                                           << "regex"
                                           << "SINR \\d+"
                                           << ""
                                           << "The pattern has no group";
    QTest::newRow("regex matching no number") << "SINR high"
                                              << "regex"
                                              << "SINR (\\w+)"
                                              << ""
                                              << "The pattern matched \"high\", which is not a number";
    QTest::newRow("regex matching nothing") << "RSRP -90"
                                            << "regex"
                                            << "SINR (\\d+)"
                                            << ""
                                            << "The pattern matched nothing";
    // A page where backtracking never ends is a limit reached, not "nothing".
    QTest::newRow("regex that backtracks without end")
        << QString(QString(5000, u'x') + u'y') << "regex"
        << "(x+x+)+y(\\d)"
        << ""
        << "The pattern gave up on this page: it reached PCRE's match limit";
    QTest::newRow("bad regex") << "x"
                               << "regex"
                               << "("
                               << ""
                               << "The pattern is not a regular expression";
    QTest::newRow("json") << R"({"signal":{"snr":12.5,"state":"ok"}})"
                          << "json"
                          << "/signal/snr"
                          << "12.5"
                          << "";
    QTest::newRow("json array and escapes") << R"({"a/b":[3,-7]})"
                                            << "json"
                                            << "/a~1b/1"
                                            << "-7"
                                            << "";
    QTest::newRow("json string") << R"({"signal":{"snr":12.5,"state":"ok"}})"
                                 << "json"
                                 << "/signal/state"
                                 << ""
                                 << "The value at /signal/state is not a number";
    QTest::newRow("json missing") << R"({"signal":{}})"
                                  << "json"
                                  << "/signal/snr"
                                  << ""
                                  << "No value at /signal/snr";
    QTest::newRow("not json") << "Signal: 57"
                              << "json"
                              << "/signal"
                              << ""
                              << "Not JSON: ";
}

void TestExtraction::rulesReadOtherPages()
{
    QFETCH(QString, body);
    QFETCH(QString, rule);
    QFETCH(QString, pattern);
    QFETCH(QString, reading);
    QFETCH(QString, failure);
    const talvor::ReadingRule::Kind kind = *talvor::readingRuleKind(rule);
    const bool searched = kind == talvor::ReadingRule::Three || kind == talvor::ReadingRule::Number;
    const talvor::ReadingFound found =
        talvor::findReading(body, searched ? pattern : QString(), {kind, searched ? QString() : pattern});
    QCOMPARE(found.reading.value_or(QString()), reading);
    QVERIFY2(failure.isEmpty() ? found.failure.isEmpty() : found.failure.startsWith(failure),
             qPrintable(found.failure));
}

// Each row: a page, values as "name rule pattern" (| between), and what each
// gave ("name=value", "name?failure" when missing, "!" when skipped).
void TestExtraction::namedValuesComeFromOnePage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("found");
    const QString json = QStringLiteral(R"({"signal":{"snr":12.5,"esno":9.1},"rx":{"power":-45.2}})");
    QTest::newRow("two found, one missing") << json << "esno json /signal/esno|rx json /rx/power|gone json /nowhere"
                                            << "esno=9.1 rx=-45.2 gone?No value at /nowhere";
    QTest::newRow("a bad rule beside a good one") << json << "esno xpath //esno|rx json /rx/power"
                                                  << "! rx=-45.2";
    QTest::newRow("a bad name beside a good one") << json << "e-s json /signal/esno|rx json /rx/power"
                                                  << "! rx=-45.2";
    QTest::newRow("named like the reading, read as the reading")
        << json << "signal json /signal/snr|snr json /signal/snr"
        << "signal=12.5 snr=12.5";
    QTest::newRow("decimal comma, Unicode minus and a pattern")
        << QStringLiteral("SNR: 12,5 dB\nTx: \u22123.5 dBm\nRSRQ=-11")
        << "snr number SNR:|tx number Tx:|rsrq regex RSRQ=(-?\\d+)"
        << "snr=12.5 tx=-3.5 rsrq=-11";
    QTest::newRow("not JSON: the pattern still reads")
        << QStringLiteral("<b>Es/No 7.4</b>") << "esno json /esno|esno2 regex Es/No ([0-9.]+)"
        << "esno?Not JSON: illegal value at character 1 esno2=7.4";
    QString large = QStringLiteral(R"({"pad":")") + QString(100'000, u'x') + QStringLiteral(R"(","end":{"v":-0.25}})");
    QTest::newRow("a JSON page of 100 kB") << large << "v json /end/v"
                                           << "v=-0.25";
}

void TestExtraction::namedValuesComeFromOnePage()
{
    QFETCH(QString, page);
    QFETCH(QString, values);
    QFETCH(QString, found);
    QList<talvor::ValueRule> rules;
    QStringList said;
    for (const QString &v : values.split(u'|')) {
        const QStringList f = v.split(u' ');
        const talvor::ValueRuleRead read = talvor::valueRule(f[0], {}, {}, f[1], f.mid(2).join(u' '), {});
        if (read.rule)
            rules << *read.rule;
        else
            said << QStringLiteral("!");
    }
    talvor::PageSearch search(page);
    for (const talvor::NamedValue &v : talvor::findValues(search, rules))
        said << (v.value ? QStringLiteral("%1=%2").arg(v.name).arg(*v.value)
                         : QStringLiteral("%1?%2").arg(v.name, v.failure));
    QCOMPARE(said.join(u' '), found);
}

// The walk that finds a value without parsing the page says what the parsed
// document says, wherever it can tell.
void TestExtraction::walkingToAPointerAgreesWithParsing()
{
    const QString page = QStringLiteral(
        R"( {"a\"}":{"x":"}]\\","n":-1.5e2},"b/c":[0,{"d":[1,2,3]},"s"],"e~f":7,"q":"he said \"}]\"","t":true,)"
        R"("u\u00e9":4,"big":1e20,"o":{},"l":[],"neg":-0.25, "sp" : 	 8 })");
    for (const char *pointer : {"/a\"}/n", "/a\"}/x", "/b~1c/1/d/2", "/b~1c/3", "/b~1c/x", "/e~0f", "/q", "/t", "/ué",
                                "/big", "/o/p", "/l/0", "/neg", "/sp", "/missing", "/b~1c/0", "/b~1c/-1"}) {
        const talvor::ReadingRule rule{talvor::ReadingRule::Json, QString::fromUtf8(pointer)};
        talvor::PageSearch search(page);
        const talvor::ReadingFound walked = search.find({}, rule);
        // On a sound page the walk answers every pointer itself.
        QVERIFY2(talvor::scanPointer(page, rule.pattern), pointer);
        const talvor::ReadingFound parsed = talvor::findReading(page, {}, rule);
        QVERIFY2(walked.reading == parsed.reading && walked.failure == parsed.failure,
                 qPrintable(QStringLiteral("%1: %2 %3 / %4 %5")
                                .arg(QString::fromUtf8(pointer), walked.reading.value_or(QStringLiteral("-")),
                                     walked.failure, parsed.reading.value_or(QStringLiteral("-")), parsed.failure)));
    }
}

QTEST_APPLESS_MAIN(TestExtraction)
#include "test_extraction.moc"
