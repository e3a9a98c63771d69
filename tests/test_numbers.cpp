#include "core/reading/Numbers.h"

#include <QTest>

#include <cfloat>

using namespace talvor;

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void wholeNumbersRoundHalvesToEven_data();
    void wholeNumbersRoundHalvesToEven();
    void overflowIsReportedNotWrapped();
    void leadingNumber_data();
    void leadingNumber();
    void numericText_data();
    void numericText();
    void oneDecimalFormat();
    void shortestDecimalText();
    void requestNumberWrapsBeforeTheLargestValue();
};

void TestNumbers::wholeNumbersRoundHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("5.5") << 5.5 << 6;
    QTest::newRow("4.5") << 4.5 << 4;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("-3.5") << -3.5 << -4;
    QTest::newRow("12.5") << 12.5 << 12;
    QTest::newRow("13.5") << 13.5 << 14;
    QTest::newRow("1.49") << 1.49 << 1;
    QTest::newRow("0.3") << 0.3 << 0;
}

void TestNumbers::wholeNumbersRoundHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(toInt16(value).value(), qint16(expected));
    QCOMPARE(toInt32(value).value(), qint32(expected));
}

void TestNumbers::overflowIsReportedNotWrapped()
{
    QCOMPARE(toInt16(32767.4).value(), qint16(32767));
    QVERIFY(!toInt16(32767.5));                          // rounds to 32768
    QCOMPARE(toInt16(-32768.5).value(), qint16(-32768)); // halves to even
    QVERIFY(!toInt16(-32769));
    QVERIFY(!toInt16(qQNaN()));
    QVERIFY(!toInt32(2147483647.5));
    QCOMPARE(toInt32(-2147483648.0).value(), qint32(-2147483647 - 1));
    QVERIFY(!toInt32(1e300));
    QCOMPARE(toInt16Clamped(1e9), qint16(32767));
    QCOMPARE(toInt16Clamped(-1e9), qint16(-32768));
    QCOMPARE(toInt16Clamped(20.5), qint16(20));
}

void TestNumbers::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("digits then CR") << "57\r\nT" << 57.0;
    QTest::newRow("blanks around") << " 5 " << 5.0;
    QTest::newRow("blanks inside") << "1 2\t3\n4" << 1234.0;
    QTest::newRow("fraction") << "1.5" << 1.5;
    QTest::newRow("leading point") << ".55" << 0.55;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("sign") << "-3" << -3.0;
    QTest::newRow("plus") << "+7x" << 7.0;
    QTest::newRow("sign then blank") << "- 4" << -4.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("D exponent") << "2D2" << 200.0;
    QTest::newRow("negative exponent") << "5E-1" << 0.5;
    QTest::newRow("exponent without digits") << "7e" << 7.0;
    QTest::newRow("exponent sign only") << "7e+x" << 7.0;
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex 16-bit is signed") << "&HFFFF" << -1.0;
    QTest::newRow("hex 32-bit") << "&H10000" << 65536.0;
    QTest::newRow("octal") << "&o17" << 15.0;
    QTest::newRow("ampersand alone") << "&X1" << 0.0;
    QTest::newRow("carriage return stops") << "5\r5" << 5.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("huge stays finite") << "9e999" << DBL_MAX;
}

void TestNumbers::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(talvor::leadingNumber(text), expected);
}

void TestNumbers::numericText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("whole") << "200" << true;
    QTest::newRow("blanks around") << " 12.5 " << true;
    QTest::newRow("negative") << "-5" << true;
    QTest::newRow("leading point") << ".5" << true;
    QTest::newRow("trailing point") << "5." << true;
    QTest::newRow("exponent") << "1E3" << true;
    QTest::newRow("hex") << "&HFF" << true;
    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blank") << "  " << false;
    QTest::newRow("trailing letters") << "12abc" << false;
    QTest::newRow("two points") << "1.2.3" << false;
    QTest::newRow("inner blank") << "1 2" << false;
    QTest::newRow("sign alone") << "-" << false;
    QTest::newRow("hex without digits") << "&H" << false;
    QTest::newRow("too large for a double") << "1e999" << false;
}

void TestNumbers::numericText()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(isNumericText(text), numeric);
}

void TestNumbers::oneDecimalFormat()
{
    QCOMPARE(formatOneDecimal(0.5), QStringLiteral("0.5"));
    QCOMPARE(formatOneDecimal(5), QStringLiteral("5.0"));
    QCOMPARE(formatOneDecimal(60), QStringLiteral("60.0"));
    QCOMPARE(formatOneDecimal(0.1), QStringLiteral("0.1"));
    QCOMPARE(formatOneDecimal(4.9), QStringLiteral("4.9"));
}

void TestNumbers::shortestDecimalText()
{
    QCOMPARE(shortestText(57.0), QStringLiteral("57"));
    QCOMPARE(shortestText(-3.0), QStringLiteral("-3"));
    QCOMPARE(shortestText(5.5), QStringLiteral("5.5"));
    QCOMPARE(shortestText(0.55), QStringLiteral("0.55"));
    QCOMPARE(shortestText(-0.0), QStringLiteral("0"));
    QCOMPARE(shortestText(100.0), QStringLiteral("100"));
    QCOMPARE(shortestText(15.75f), QStringLiteral("15.75"));
    QCOMPARE(shortestText(8.25f), QStringLiteral("8.25"));
    QCOMPARE(shortestText(12.0f), QStringLiteral("12"));
    QCOMPARE(shortestText(0.1f), QStringLiteral("0.1"));
}

void TestNumbers::requestNumberWrapsBeforeTheLargestValue()
{
    QCOMPARE(nextRequestNumber(0), 1);
    QCOMPARE(nextRequestNumber(-1), 0);
    QCOMPARE(nextRequestNumber(2147483645), 2147483646);
    QCOMPARE(nextRequestNumber(2147483646), 0);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "test_numbers.moc"
