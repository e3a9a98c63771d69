#include "core/Extraction.h"

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

QTEST_APPLESS_MAIN(TestExtraction)
#include "test_extraction.moc"
