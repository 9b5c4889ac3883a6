// Money: the text the user types, the plain form written back into the
// editor's boxes, the grid's display form, and exact arithmetic.
#include "Money.h"
#include "StoreError.h"
#include "StoreTestSupport.h"

#include <QTest>

#include <limits>

using namespace tallowick;
using Kind = StoreError::Kind;

namespace {
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
} // namespace

class MoneyTest : public QObject {
    Q_OBJECT

private slots:
    void acceptsTypedAmounts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected"); // ten-thousandths

        QTest::newRow("plain") << "12.5" << qint64(125000);
        QTest::newRow("whole") << "100" << qint64(1000000);
        QTest::newRow("zero") << "0" << qint64(0);
        QTest::newRow("minus zero") << "-0" << qint64(0);
        QTest::newRow("leading zeros") << "000012.50" << qint64(125000);
        QTest::newRow("blanks around") << "   12.5   " << qint64(125000);
        QTest::newRow("tabs around") << "\t7\t" << qint64(70000);
        QTest::newRow("plus sign") << "+3" << qint64(30000);
        QTest::newRow("minus sign") << "-3" << qint64(-30000);
        QTest::newRow("dollar") << "$5" << qint64(50000);
        QTest::newRow("minus dollar") << "-$5.25" << qint64(-52500);
        QTest::newRow("plus dollar") << "+$5" << qint64(50000);
        QTest::newRow("dollar and blanks") << "  $1,234.50 " << qint64(12345000);
        QTest::newRow("grouping") << "1,234" << qint64(12340000);
        QTest::newRow("grouping millions") << "-1,234,567.89" << qint64(-12345678900);
        QTest::newRow("commas anywhere between digits") << "1,2,3" << qint64(1230000);
        QTest::newRow("point at end") << "12." << qint64(120000);
        QTest::newRow("point at start") << ".5" << qint64(5000);
        QTest::newRow("minus point at start") << "-.5" << qint64(-5000);
        QTest::newRow("four decimals") << "1.2345" << qint64(12345);
        QTest::newRow("trailing zero decimals") << "1.50000000" << qint64(15000);
        QTest::newRow("smallest unit") << "0.0001" << qint64(1);
    }
    void acceptsTypedAmounts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QCOMPARE(Money::parse(text.toStdString()), units(expected));
    }

    void refusesOtherText_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* text :
             {"", " ", "   \t  ", "-", "+", ".", "-.", "+.", "$", "$.", "-$", "abc", "12a", "a12", "1e5", "0x10",
              "1,,000", ",100", "100,", "1,.5", "1.,5", "1.2.3", "..5", "1.2,3", "1.5,", "--5", "+-5", "-+5",
              "$$5", "5-", "5+", "5$", "5 0", "- 5", "$ 5", "1.5 .", "(5)", "five", "12.5%", "1_000", "--"})
            QTest::newRow(*text ? text : "empty") << QString::fromLatin1(text);
        QTest::newRow("embedded nul") << QString::fromLatin1("1\0002", 3);
        QTest::newRow("nbsp around") << QStringLiteral("\u00a012");
        QTest::newRow("arabic-indic digit") << QStringLiteral("\u0663");
        QTest::newRow("fullwidth digit") << QStringLiteral("\uff11");
        QTest::newRow("unicode minus") << QStringLiteral("\u22125");
    }
    void refusesOtherText()
    {
        QFETCH(QString, text);
        const QByteArray bytes = text.toUtf8();
        STORE_REFUSES(Money::parse(std::string_view(bytes.constData(), std::size_t(bytes.size()))), Kind::BadAmount);
    }

    // More than four decimals: the fifth decides, half away from zero.
    void roundsFifthDecimalHalfAwayFromZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("below half") << "0.00004" << qint64(0);
        QTest::newRow("below half, long tail") << "0.000049999999" << qint64(0);
        QTest::newRow("half") << "0.00005" << qint64(1);
        QTest::newRow("negative half") << "-0.00005" << qint64(-1);
        QTest::newRow("negative below half") << "-0.00004" << qint64(0);
        QTest::newRow("half with tail") << "1.23455001" << qint64(12346);
        QTest::newRow("negative half with tail") << "-1.23455" << qint64(-12346);
        QTest::newRow("nine") << "1.23459" << qint64(12346);
        QTest::newRow("four") << "-1.23454999" << qint64(-12345);
        QTest::newRow("carry into the whole part") << "0.99995" << qint64(10000);
        QTest::newRow("negative carry") << "-9.99995" << qint64(-100000);
        QTest::newRow("grouped with rounding") << "$1,000.00005" << qint64(10000001);
    }
    void roundsFifthDecimalHalfAwayFromZero()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QCOMPARE(Money::parse(text.toStdString()), units(expected));
    }

    void rangeLimits()
    {
        QCOMPARE(Money::parse("922337203685477.5807"), units(kMax));
        QCOMPARE(Money::parse("922,337,203,685,477.5807"), units(kMax));
        QCOMPARE(Money::parse("-922337203685477.5808"), units(kMin));
        QCOMPARE(Money::parse("-$922,337,203,685,477.5808"), units(kMin));
        // Rounding that lands exactly on a limit is still in range.
        QCOMPARE(Money::parse("922337203685477.58065"), units(kMax));
        QCOMPARE(Money::parse("-922337203685477.58075"), units(kMin));

        STORE_REFUSES(Money::parse("922337203685477.5808"), Kind::Overflow);
        STORE_REFUSES(Money::parse("-922337203685477.5809"), Kind::Overflow);
        STORE_REFUSES(Money::parse("922337203685477.58075"), Kind::Overflow);
        STORE_REFUSES(Money::parse("-922337203685477.58085"), Kind::Overflow);
        STORE_REFUSES(Money::parse("922337203685478"), Kind::Overflow);
        STORE_REFUSES(Money::parse("-922337203685478"), Kind::Overflow);
        STORE_REFUSES(Money::parse("99999999999999999999999999999999999999999"), Kind::Overflow);
        STORE_REFUSES(Money::parse("1" + std::string(400, '0') + ".5"), Kind::Overflow);
        // Leading zeros do not count towards the size.
        QCOMPARE(Money::parse(std::string(400, '0') + "1.5"), units(15000));
    }

    void arithmeticIsExactAndRefusesOverflow()
    {
        const Money max = units(kMax);
        const Money min = units(kMin);
        const Money unit = units(1);
        QCOMPARE(Money::parse("0.1") + Money::parse("0.2"), Money::parse("0.3"));
        QCOMPARE(Money::parse("1000") - Money::parse("100") - Money::parse("0.0001") + Money::parse("50"),
                 Money::parse("949.9999"));
        QCOMPARE(max + min, units(-1));
        QCOMPARE(min - min, Money());
        QCOMPARE(max - unit + unit, max);

        STORE_REFUSES(max + unit, Kind::Overflow);
        STORE_REFUSES(min - unit, Kind::Overflow);
        STORE_REFUSES(max - units(-1), Kind::Overflow);
        STORE_REFUSES(min + units(-1), Kind::Overflow);
        STORE_REFUSES(Money() - min, Kind::Overflow);

        // A refused += or -= leaves the value as it was.
        Money balance = max;
        STORE_REFUSES(balance += unit, Kind::Overflow);
        QCOMPARE(balance, max);
        balance = min;
        STORE_REFUSES(balance -= unit, Kind::Overflow);
        QCOMPARE(balance, min);
    }

    void plainForm_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("12.50") << qint64(125000) << "12.5";
        QTest::newRow("100") << qint64(1000000) << "100";
        QTest::newRow("one half") << qint64(5000) << "0.5";
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("negative") << qint64(-125000) << "-12.5";
        QTest::newRow("negative below one") << qint64(-5000) << "-0.5";
        QTest::newRow("negative whole") << qint64(-1000000) << "-100";
        QTest::newRow("smallest unit") << qint64(1) << "0.0001";
        QTest::newRow("negative smallest unit") << qint64(-1) << "-0.0001";
        QTest::newRow("inner zeros kept") << qint64(10203) << "1.0203";
        QTest::newRow("no grouping") << qint64(12345678900000) << "1234567890";
        QTest::newRow("largest") << qint64(kMax) << "922337203685477.5807";
        QTest::newRow("most negative") << qint64(kMin) << "-922337203685477.5808";
    }
    void plainForm()
    {
        QFETCH(qint64, value);
        QFETCH(QString, expected);
        const std::string text = units(value).plainText();
        QCOMPARE(qs(text), expected);
        QCOMPARE(Money::parse(text), units(value));
    }

    void displayForm_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("grouping and cents") << qint64(12345000) << "$1,234.50";
        QTest::newRow("negative") << qint64(-125000) << "-$12.50";
        QTest::newRow("zero") << qint64(0) << "$0.00";
        QTest::newRow("below a thousand") << qint64(9999900) << "$999.99";
        QTest::newRow("exactly a thousand") << qint64(10000000) << "$1,000.00";
        QTest::newRow("millions") << qint64(-12345678900000) << "-$1,234,567,890.00";
        QTest::newRow("half cent rounds up") << qint64(50) << "$0.01";
        QTest::newRow("negative half cent rounds away") << qint64(-50) << "-$0.01";
        QTest::newRow("below half cent") << qint64(1234549) << "$123.45";
        QTest::newRow("half cent") << qint64(1234550) << "$123.46";
        QTest::newRow("carry into the next thousand") << qint64(9999950) << "$1,000.00";
        QTest::newRow("negative carry") << qint64(-9999950) << "-$1,000.00";
        QTest::newRow("rounds to zero cents") << qint64(49) << "$0.00";
        QTest::newRow("negative that rounds to zero cents") << qint64(-49) << "$0.00";
        QTest::newRow("largest") << qint64(kMax) << "$922,337,203,685,477.58";
        QTest::newRow("most negative") << qint64(kMin) << "-$922,337,203,685,477.58";
    }
    void displayForm()
    {
        QFETCH(qint64, value);
        QFETCH(QString, expected);
        QCOMPARE(qs(units(value).displayText()), expected);
    }
};

QTEST_APPLESS_MAIN(MoneyTest)
#include "MoneyTest.moc"
