#include "core/reading/Extraction.h"

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

QTEST_APPLESS_MAIN(TestExtraction)
#include "test_extraction.moc"
