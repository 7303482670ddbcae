#include "core/formats/numbers.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>
#include <limits>

using namespace pos;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// Exact text of a double, sign of zero included, so that comparisons are bit-exact and
// failures readable.
QString exact(double value)
{
    return QString::number(value, 'g', 17);
}

} // namespace

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void numberText_data();
    void numberText();
    void lineAmountText_data();
    void lineAmountText();
    void numericText_data();
    void numericText();
    void plainNumber_data();
    void plainNumber();
    void formatMoney_data();
    void formatMoney();
    void totals_data();
    void totals();
    void change_data();
    void change();
    void roundTrip_data();
    void roundTrip();
    void largestDoubles();
    void numberTextValue();
};

void TestNumbers::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("decimal") << "12.5" << 12.5;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("trailing letters") << "2x" << 2.0;
    QTest::newRow("comma stops") << "1,200" << 1.0;
    QTest::newRow("dollar is no number") << "$12.50" << 0.0;
    QTest::newRow("blank inside") << "1 2" << 12.0;
    QTest::newRow("blanks tabs line feeds") << " \t\n-\n4 . 5 " << -4.5;
    QTest::newRow("carriage return stops") << "1\r2" << 1.0;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("no leading digit") << "-.5" << -0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("negative zero is zero") << "-0" << 0.0;
    QTest::newRow("E") << "1E3" << 1000.0;
    QTest::newRow("e") << "1e3" << 1000.0;
    QTest::newRow("D") << "1D3" << 1000.0;
    QTest::newRow("d negative") << "1d-2" << 0.01;
    QTest::newRow("E plus") << "1.5E+20" << 1.5e20;
    QTest::newRow("E minus") << "1E-16" << 1e-16;
    QTest::newRow("exponent with blanks") << "1 E - 3" << 0.001;
    QTest::newRow("mark without digits") << "2E" << 2.0;
    QTest::newRow("mark and sign without digits") << "2E+" << 2.0;
    QTest::newRow("mark then letter") << "2Ex" << 2.0;
    QTest::newRow("correctly rounded 0.1") << "0.1000000000000000055511151231257827" << 0.1;
    QTest::newRow("correctly rounded tie") << "9007199254740993" << 9007199254740992.0;
    QTest::newRow("many digits") << "12345678901234567890" << 12345678901234567890.0;
    QTest::newRow("denormal") << "4.9406564584124654E-324" << 5e-324;
    QTest::newRow("overflow") << "1E400" << 0.0;
    QTest::newRow("negative overflow") << "-1E400" << 0.0;
    QTest::newRow("underflow") << "1E-400" << 0.0;
    QTest::newRow("hex") << "&HFF" << 255.0;
    QTest::newRow("hex lower case") << "&hff" << 255.0;
    QTest::newRow("hex blanks") << "& H F F" << 255.0;
    QTest::newRow("hex 16-bit max") << "&H7FFF" << 32767.0;
    QTest::newRow("hex 16-bit min") << "&H8000" << -32768.0;
    QTest::newRow("hex 16-bit -1") << "&HFFFF" << -1.0;
    QTest::newRow("hex leading zeros") << "&H0000FFFF" << -1.0;
    QTest::newRow("hex 32-bit") << "&H10000" << 65536.0;
    QTest::newRow("hex 32-bit max") << "&H7FFFFFFF" << 2147483647.0;
    QTest::newRow("hex 32-bit min") << "&H80000000" << -2147483648.0;
    QTest::newRow("hex 32-bit -1") << "&HFFFFFFFF" << -1.0;
    QTest::newRow("hex beyond 32 bits") << "&H100000000" << 0.0;
    QTest::newRow("hex stops") << "&H1G" << 1.0;
    QTest::newRow("hex no point") << "&H1.5" << 1.0;
    QTest::newRow("hex no digits") << "&H" << 0.0;
    QTest::newRow("hex bad digit") << "&HG" << 0.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal lower case") << "&o777" << 511.0;
    QTest::newRow("octal 16-bit -1") << "&O177777" << -1.0;
    QTest::newRow("octal 32-bit") << "&O200000" << 65536.0;
    QTest::newRow("octal stops at 8") << "&O18" << 1.0;
    QTest::newRow("octal bad digit") << "&O8" << 0.0;
    QTest::newRow("unknown prefix") << "&X1" << 0.0;
    QTest::newRow("sign before prefix") << "-&H10" << 0.0;
}

void TestNumbers::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(exact(pos::leadingNumber(text)), exact(expected));
}

void TestNumbers::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("decimal") << 12.5 << "12.5";
    QTest::newRow("below one") << 0.5 << "0.5";
    QTest::newRow("negative below one") << -0.5 << "-0.5";
    QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << "0.3";
    QTest::newRow("3 x 1.1") << 3 * 1.1 << "3.3";
    QTest::newRow("9 x 0.06") << 9 * 0.06 << "0.54";
    QTest::newRow("integer") << 100.0 << "100";
    QTest::newRow("negative") << -123.456 << "-123.456";
    QTest::newRow("one third") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("two thirds") << 2.0 / 3 << "0.666666666666667";
    QTest::newRow("15 digits") << 999999999999999.0 << "999999999999999";
    QTest::newRow("1e14") << 1e14 << "100000000000000";
    QTest::newRow("rounds up to 1e15") << 999999999999999.9 << "1E+15";
    QTest::newRow("1e15") << 1e15 << "1E+15";
    QTest::newRow("1.5e20") << 1.5e20 << "1.5E+20";
    QTest::newRow("rounded mantissa") << 123456789012345678.0 << "1.23456789012346E+17";
    QTest::newRow("1e100") << 1e100 << "1E+100";
    QTest::newRow("1e-15") << 1e-15 << "0.000000000000001";
    QTest::newRow("1e-16") << 1e-16 << "1E-16";
    QTest::newRow("negative tiny") << -2.5e-300 << "-2.5E-300";
    QTest::newRow("denormal") << 5e-324 << "4.94065645841247E-324";
    QTest::newRow("infinity") << infinity << "Overflow";
    QTest::newRow("negative infinity") << -infinity << "Overflow";
    QTest::newRow("nan") << notANumber << "Overflow";
}

void TestNumbers::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(pos::numberText(value), expected);
}

void TestNumbers::lineAmountText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("9") << 9.0 << " 9";
    QTest::newRow("4.5") << 4.5 << " 4.5";
    QTest::newRow("0.5") << 0.5 << " .5";
    QTest::newRow("0.99") << 0.99 << " .99";
    QTest::newRow("-9") << -9.0 << "-9";
    QTest::newRow("-0.5") << -0.5 << "-.5";
    QTest::newRow("tiny negative") << -0.000001 << "-.000001";
    QTest::newRow("3 x 1.1") << 3 * 1.1 << " 3.3";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("no separators") << 1234567.25 << " 1234567.25";
    QTest::newRow("exponent") << 1.5e20 << " 1.5E+20";
    QTest::newRow("negative exponent") << -1e-16 << "-1E-16";
    QTest::newRow("infinity") << infinity << "Overflow";
    QTest::newRow("nan") << notANumber << "Overflow";
}

void TestNumbers::lineAmountText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(pos::lineAmountText(value), expected);
}

void TestNumbers::numericText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("money");

    QTest::newRow("money") << "$13.29" << true << 13.29 << "$13.29";
    QTest::newRow("grouped money") << "$1,234.50" << true << 1234.5 << "$1,234.50";
    QTest::newRow("negative money") << "-$12.50" << true << -12.5 << "-$12.50";
    QTest::newRow("sign after dollar") << "$-5" << true << -5.0 << "-$5.00";
    QTest::newRow("plus money") << "+$5" << true << 5.0 << "$5.00";
    QTest::newRow("plain") << "20" << true << 20.0 << "$20.00";
    QTest::newRow("grouped") << "1,200" << true << 1200.0 << "$1,200.00";
    QTest::newRow("two groups") << "1,234,567.891" << true << 1234567.891 << "$1,234,567.89";
    QTest::newRow("short group") << "1,2" << true << 12.0 << "$12.00";
    QTest::newRow("surrounding blanks") << " \t12.5\t " << true << 12.5 << "$12.50";
    QTest::newRow("no integer part") << ".5" << true << 0.5 << "$.50";
    QTest::newRow("no fraction") << "5." << true << 5.0 << "$5.00";
    QTest::newRow("exponent") << "1E3" << true << 1000.0 << "$1,000.00";
    QTest::newRow("D exponent") << "1d-2" << true << 0.01 << "$.01";
    QTest::newRow("zero") << "0" << true << 0.0 << "$.00";
    QTest::newRow("negative zero") << "-0" << true << 0.0 << "$.00";
    QTest::newRow("zero money") << "$.00" << true << 0.0 << "$.00";
    QTest::newRow("rounds to zero") << "-$.001" << true << -0.001 << "$.00";
    QTest::newRow("half cent") << "$1.005" << true << 1.005 << "$1.01";
    QTest::newRow("overflow") << "1E999" << true << 0.0 << "Overflow";
    QTest::newRow("underflow") << "1E-999" << true << 0.0 << "$.00";
    QTest::newRow("empty") << "" << false << 0.0 << "";
    QTest::newRow("blanks only") << "  " << false << 0.0 << "  ";
    QTest::newRow("dollar only") << "$" << false << 0.0 << "$";
    QTest::newRow("point only") << "." << false << 0.0 << ".";
    QTest::newRow("trailing letters") << "20abc" << false << 20.0 << "20abc";
    QTest::newRow("double comma") << "1,,200" << false << 1.0 << "1,,200";
    QTest::newRow("leading comma") << ",5" << false << 0.0 << ",5";
    QTest::newRow("trailing comma") << "1," << false << 1.0 << "1,";
    QTest::newRow("comma in fraction") << "1.2,3" << false << 1.2 << "1.2,3";
    QTest::newRow("two signs") << "-$-5" << false << 0.0 << "-$-5";
    QTest::newRow("blank after dollar") << "$ 5" << false << 0.0 << "$ 5";
    QTest::newRow("blank inside") << "1 2" << false << 12.0 << "1 2";
    QTest::newRow("mark without digits") << "2E" << false << 2.0 << "2E";
    QTest::newRow("hex") << "&HFF" << false << 255.0 << "&HFF";
}

void TestNumbers::numericText()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    QFETCH(QString, money);
    QCOMPARE(pos::isNumericText(text), numeric);
    QCOMPARE(exact(pos::moneyValue(text)), exact(value));
    QCOMPARE(pos::formatMoney(QStringView(text)), money);
}

void TestNumbers::plainNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("plain");
    QTest::newRow("6.5") << "6.5" << true;
    QTest::newRow("blanks, sign") << " -0.46 " << true;
    QTest::newRow("zero") << "0" << true;
    QTest::newRow("zero point zero") << "0.000" << true;
    QTest::newRow("exponent") << "1E3" << true;
    QTest::newRow("zero exponent") << "0E99" << true;
    QTest::newRow("below one, no zero") << ".5" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("word") << "six" << false;
    QTest::newRow("trailing letters") << "4.54abc" << false;
    QTest::newRow("percent") << "6 %" << false;
    QTest::newRow("decimal comma") << "1,5" << false;
    QTest::newRow("money") << "$6" << false;
    QTest::newRow("beyond range") << "1E999" << false;
    QTest::newRow("largest double rounded up to 15 digits") << "1.79769313486232E+308" << false;
    QTest::newRow("largest double as numberText writes it")
        << pos::numberText(std::numeric_limits<double>::max()) << true;
    QTest::newRow("hexadecimal") << "&H10" << false;
}

void TestNumbers::plainNumber()
{
    QFETCH(QString, text);
    QTEST(pos::isPlainNumber(text), "plain");
}

void TestNumbers::formatMoney_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("12.5") << 12.5 << "$12.50";
    QTest::newRow("grouped") << 1234.5 << "$1,234.50";
    QTest::newRow("two groups") << 1234567.5 << "$1,234,567.50";
    QTest::newRow("three digits") << 100.0 << "$100.00";
    QTest::newRow("four digits") << 1000.0 << "$1,000.00";
    QTest::newRow("below one") << 0.5 << "$.50";
    QTest::newRow("zero") << 0.0 << "$.00";
    QTest::newRow("negative zero") << -0.0 << "$.00";
    QTest::newRow("negative") << -12.5 << "-$12.50";
    QTest::newRow("negative below one") << -0.54 << "-$.54";
    QTest::newRow("1.005") << 1.005 << "$1.01";
    QTest::newRow("0.545") << 0.545 << "$.55";
    QTest::newRow("2.675") << 2.675 << "$2.68";
    QTest::newRow("0.015") << 0.015 << "$.02";
    QTest::newRow("0.5994") << 0.5994 << "$.60";
    QTest::newRow("0.64935") << 0.64935 << "$.65";
    QTest::newRow("10.5894") << 10.5894 << "$10.59";
    QTest::newRow("10.63935") << 10.63935 << "$10.64";
    QTest::newRow("carry into dollars") << 0.995 << "$1.00";
    QTest::newRow("carry into a group") << 999.995 << "$1,000.00";
    QTest::newRow("half cent") << 0.005 << "$.01";
    QTest::newRow("negative half cent") << -0.005 << "-$.01";
    QTest::newRow("below half cent") << 0.004 << "$.00";
    QTest::newRow("negative below half cent") << -0.004 << "$.00";
    QTest::newRow("tiny") << 1e-300 << "$.00";
    QTest::newRow("15 digits kept") << 999999999999.995 << "$1,000,000,000,000.00";
    QTest::newRow("16th digit dropped") << 10000000000000.005 << "$10,000,000,000,000.00";
    QTest::newRow("huge") << 1e20 << "$100,000,000,000,000,000,000.00";
    QTest::newRow("huge negative") << -1.5e16 << "-$15,000,000,000,000,000.00";
    QTest::newRow("infinity") << infinity << "Overflow";
    QTest::newRow("nan") << notANumber << "Overflow";
}

void TestNumbers::formatMoney()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(pos::formatMoney(value), expected);
}

// The chain of the running totals: each step reads the previous box's text back.
void TestNumbers::totals_data()
{
    QTest::addColumn<double>("subtotal");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("taxText");
    QTest::addColumn<QString>("totalText");
    QTest::addColumn<QString>("subtotalMoney");
    QTest::addColumn<QString>("taxMoney");
    QTest::addColumn<QString>("totalMoney");

    QTest::newRow("9 at 6") << 9.0 << "6"
                            << "0.54"
                            << "9.54"
                            << "$9.00"
                            << "$.54"
                            << "$9.54";
    QTest::newRow("9.99 at 6") << 9.0 + 0.99 << "6"
                               << "0.5994"
                               << "10.5894"
                               << "$9.99"
                               << "$.60"
                               << "$10.59";
    QTest::newRow("9.99 at 6.5") << 9.99 << "6.5"
                                 << "0.64935"
                                 << "10.63935"
                                 << "$9.99"
                                 << "$.65"
                                 << "$10.64";
    QTest::newRow("rate 0") << 9.0 << "0"
                            << "0"
                            << "9"
                            << "$9.00"
                            << "$.00"
                            << "$9.00";
    QTest::newRow("negative") << -9.0 << "6"
                              << "-0.54"
                              << "-9.54"
                              << "-$9.00"
                              << "-$.54"
                              << "-$9.54";
    QTest::newRow("grouped") << 1234.5 << "0"
                             << "0"
                             << "1234.5"
                             << "$1,234.50"
                             << "$.00"
                             << "$1,234.50";
    QTest::newRow("below one") << 0.5 << "0"
                               << "0"
                               << "0.5"
                               << "$.50"
                               << "$.00"
                               << "$.50";
}

void TestNumbers::totals()
{
    QFETCH(double, subtotal);
    QFETCH(QString, rate);
    QFETCH(QString, taxText);
    QFETCH(QString, totalText);
    QFETCH(QString, subtotalMoney);
    QFETCH(QString, taxMoney);
    QFETCH(QString, totalMoney);

    const QString sub = pos::numberText(subtotal);
    const double r = pos::leadingNumber(rate);
    const QString tax = pos::numberText(pos::leadingNumber(sub) * (r * 0.01));
    const QString total = pos::numberText(pos::leadingNumber(tax) + pos::leadingNumber(sub));
    QCOMPARE(tax, taxText);
    QCOMPARE(total, totalText);
    QCOMPARE(pos::formatMoney(QStringView(sub)), subtotalMoney);
    QCOMPARE(pos::formatMoney(QStringView(tax)), taxMoney);
    QCOMPARE(pos::formatMoney(QStringView(total)), totalMoney);
}

void TestNumbers::change_data()
{
    QTest::addColumn<QString>("tendered");
    QTest::addColumn<double>("total");
    QTest::addColumn<QString>("expected");

    QTest::newRow("tendered 20") << "20" << 13.29 << "$6.71";
    QTest::newRow("tendered empty") << "" << 13.29 << "-$13.29";
    QTest::newRow("tendered exact") << "13.29" << 13.29 << "$.00";
    QTest::newRow("money text reads as 0") << "$13.29" << 13.29 << "-$13.29";
}

void TestNumbers::change()
{
    QFETCH(QString, tendered);
    QFETCH(double, total);
    QFETCH(QString, expected);
    const QString change = pos::numberText(pos::leadingNumber(tendered) - total);
    QCOMPARE(pos::formatMoney(QStringView(change)), expected);
}

void TestNumbers::roundTrip_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("wholeCents");

    QTest::newRow("0.1") << 0.1 << true;
    QTest::newRow("0.3") << 0.3 << true;
    QTest::newRow("-0.5") << -0.5 << true;
    QTest::newRow("99999.99") << 99999.99 << true;
    QTest::newRow("15 digits") << 123456789012345.0 << true;
    QTest::newRow("15 digits fraction") << 1234567890.12345 << false;
    QTest::newRow("small") << 0.000123 << false;
    QTest::newRow("1e-15") << 1e-15 << false;
    QTest::newRow("-1e-16") << -1e-16 << false;
    QTest::newRow("1.5e20") << 1.5e20 << true;
    QTest::newRow("Avogadro") << 6.02214076e23 << true;
    QTest::newRow("2.5e-300") << 2.5e-300 << false;
    QTest::newRow("near max") << 1.7976931348623e308 << false;
}

void TestNumbers::roundTrip()
{
    QFETCH(double, value);
    QFETCH(bool, wholeCents);
    QCOMPARE(exact(pos::leadingNumber(pos::numberText(value))), exact(value));
    if (wholeCents)
        QCOMPARE(exact(pos::moneyValue(pos::formatMoney(value))), exact(value));
}

void TestNumbers::largestDoubles()
{
    // Rounded to 15 digits the largest doubles would pass the largest double and read back
    // as 0; their digits are cut off instead, and the text reads back to itself.
    const double largest = std::numeric_limits<double>::max();
    for (const double value : {largest, -largest, std::nextafter(largest, 0.0)}) {
        const QString text = pos::numberText(value);
        QCOMPARE(text, QString(value < 0 ? "-1.79769313486231E+308" : "1.79769313486231E+308"));
        const double back = pos::leadingNumber(text);
        QVERIFY(std::isfinite(back) && back != 0);
        QCOMPARE(pos::numberText(back), text);
    }
    // Just below, the usual rounding holds.
    QCOMPARE(pos::numberText(1.797693134862305e308), QString("1.7976931348623E+308"));
    const QString money = pos::formatMoney(largest);
    QVERIFY(money.startsWith("$179,769,313,486,231,"));
    QCOMPARE(pos::formatMoney(QStringView(money)), money);
}

void TestNumbers::numberTextValue()
{
    // The value a box holds after being given numberText of a value, without the texts.
    QList<double> values{0.0,
                         -0.0,
                         0.1 + 0.2,
                         1.0 / 3,
                         -2.0 / 3,
                         123456789012345.6,
                         1e15,
                         9.99999999999999e14,
                         1e-15,
                         9.9e-16,
                         1.5e20,
                         2.5e-300,
                         1.7976931348623157e308,
                         -1.7976931348623157e308,
                         4.9e-324,
                         infinity,
                         -infinity,
                         notANumber,
                         15.25,
                         1234.5 + 0.01};
    QRandomGenerator random(20040314);
    for (int i = 0; i < 20000; ++i) {
        quint64 bits = random.generate64();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        values << value << random.bounded(2000000) / 100.0 - 10000 << random.generateDouble() * 1e6;
    }
    for (double value : values)
        QCOMPARE(exact(pos::numberTextValue(value)), exact(pos::leadingNumber(pos::numberText(value))));
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "test_numbers.moc"
