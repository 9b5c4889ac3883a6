// The text conversions of the number, date and description columns.
#include "FieldText.h"
#include "LedgerDate.h"
#include "StoreError.h"
#include "StoreTestSupport.h"

#include <QTest>

#include <limits>

using namespace tallowick;
using Kind = StoreError::Kind;

namespace {

std::string repeated(std::string_view piece, int times)
{
    std::string out;
    for (int k = 0; k < times; ++k)
        out += piece;
    return out;
}

} // namespace

class ConversionsTest : public QObject {
    Q_OBJECT

private slots:
    void numbers()
    {
        QCOMPARE(parseNumber("0"), std::int64_t(0));
        QCOMPARE(parseNumber("1001"), std::int64_t(1001));
        QCOMPARE(parseNumber("  1001  "), std::int64_t(1001));
        QCOMPARE(parseNumber("\t-7\t"), std::int64_t(-7));
        QCOMPARE(parseNumber("+15"), std::int64_t(15));
        QCOMPARE(parseNumber("-0"), std::int64_t(0));
        QCOMPARE(parseNumber("000042"), std::int64_t(42));
        QCOMPARE(parseNumber("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
        QCOMPARE(parseNumber("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
        QCOMPARE(parseNumber(std::string(300, '0') + "7"), std::int64_t(7));

        for (std::string_view text :
             {"", " ", "\t", "-", "+", "- 5", "5 5", "--5", "+-5", "1.5", "1.", ".1", "1,000", "$5", "12a", "a12",
              "0x1F", "1e3", "5-", "\xef\xbc\x95", "\xd9\xa3", "\xc2\xa0" "5", "9223372036854775808",
              "-9223372036854775809", "99999999999999999999999999", "18446744073709551616"})
            STORE_REFUSES(parseNumber(text), Kind::BadNumber);
        STORE_REFUSES(parseNumber(std::string_view("12\0" "3", 4)), Kind::BadNumber);
    }

    void datesAccepted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::newRow("m/d/yyyy") << "3/7/2004" << 2004 << 3 << 7;
        QTest::newRow("mm/dd/yyyy") << "03/07/2004" << 2004 << 3 << 7;
        QTest::newRow("end of year") << "12/31/1999" << 1999 << 12 << 31;
        QTest::newRow("m-d-yyyy") << "3-7-2004" << 2004 << 3 << 7;
        QTest::newRow("mm-dd-yyyy") << "03-07-2004" << 2004 << 3 << 7;
        QTest::newRow("yyyy-mm-dd") << "2004-03-07" << 2004 << 3 << 7;
        QTest::newRow("yyyy-m-d") << "2004-3-7" << 2004 << 3 << 7;
        QTest::newRow("blanks around") << "  3/7/2004\t" << 2004 << 3 << 7;
        QTest::newRow("two-digit 30 is 1930") << "1/1/30" << 1930 << 1 << 1;
        QTest::newRow("two-digit 99 is 1999") << "6/15/99" << 1999 << 6 << 15;
        QTest::newRow("two-digit 00 is 2000") << "1/1/00" << 2000 << 1 << 1;
        QTest::newRow("two-digit 29 is 2029") << "12/31/29" << 2029 << 12 << 31;
        QTest::newRow("two-digit with dashes") << "7-4-76" << 1976 << 7 << 4;
        QTest::newRow("leap 2004") << "2/29/2004" << 2004 << 2 << 29;
        QTest::newRow("leap 2000 (400 years)") << "2/29/2000" << 2000 << 2 << 29;
        QTest::newRow("leap two-digit") << "2/29/04" << 2004 << 2 << 29;
        QTest::newRow("leap iso") << "2000-02-29" << 2000 << 2 << 29;
        QTest::newRow("30-day month, day 30") << "4/30/2004" << 2004 << 4 << 30;
        QTest::newRow("31-day month, day 31") << "8/31/2004" << 2004 << 8 << 31;
        QTest::newRow("last day") << "12/31/9999" << 9999 << 12 << 31;
    }
    void datesAccepted()
    {
        QFETCH(QString, text);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        const LedgerDate date = LedgerDate::parse(text.toStdString());
        QCOMPARE(date, (LedgerDate{year, month, day}));
        // The grid's form reads back as the same day.
        QCOMPARE(LedgerDate::parse(date.shortText()), date);
        QCOMPARE(LedgerDate::fromIso(date.isoText()), date);
    }

    void datesRefused()
    {
        for (std::string_view text :
             {"2/29/2003", "2/29/1900", "2/29/2100", "2/29/03", "2003-02-29", "2/30/2000", "4/31/2004",
              "6/31/2004", "9/31/2004", "11/31/2004", "2004-04-31", "13/1/2004", "0/1/2004", "1/0/2004",
              "1/32/2004", "2004-13-01", "2004-00-10", "2004-01-00", "1/1/0000", "0000-01-01", "1/1/200", "1/1/2",
              "1/1/20045", "123/1/2004", "1/123/2004", "2004-003-07", "1/1", "1/1/2004/5", "1//2004", "/1/2004",
              "1/1/", "1-1/2004", "1.1.2004", "3/7/2004x", "x3/7/2004", "3 /7/2004", "3/7/ 2004", "March 7, 2004",
              "", "   ", "-", "/", "--", "abc", "20040307", "+3/7/2004", "-3-7-2004", "3/-7/2004",
              "\xef\xbc\x93/7/2004"})
            STORE_REFUSES(LedgerDate::parse(text), Kind::BadDate);
        STORE_REFUSES(LedgerDate::parse(std::string_view("3/7/2004\0", 9)), Kind::BadDate);
        STORE_REFUSES(LedgerDate::parse(std::string_view("3/7\0/2004", 9)), Kind::BadDate);
    }

    void dateForms()
    {
        const LedgerDate march7{2004, 3, 7};
        QCOMPARE(qs(march7.shortText()), QStringLiteral("3/7/2004"));
        QCOMPARE(qs(march7.isoText()), QStringLiteral("2004-03-07"));
        QCOMPARE(qs((LedgerDate{1999, 12, 31}).shortText()), QStringLiteral("12/31/1999"));
        // The file's form is strict: exactly yyyy-mm-dd, a real day.
        QCOMPARE(LedgerDate::fromIso("2004-03-07"), march7);
        for (std::string_view iso : {"2004-3-7", "20040307", "2004/03/07", "2004-02-30", "3/7/2004", ""})
            STORE_REFUSES(LedgerDate::fromIso(iso), Kind::BadDate);

        // Years below 1000 still read back as the same day, never as a
        // two-digit year of the 1930 .. 2029 window.
        for (std::string_view text : {"0030-01-01", "0999-12-31", "0001-01-01", "0005-06-07"}) {
            const LedgerDate early = LedgerDate::parse(text);
            QCOMPARE(LedgerDate::parse(early.shortText()), early);
        }
    }

    void descriptions()
    {
        QCOMPARE(qs(checkedDescription("")), QString());
        QCOMPARE(qs(checkedDescription("Groceries")), QStringLiteral("Groceries"));
        QCOMPARE(checkedDescription(std::string(255, 'a')), std::string(255, 'a'));
        STORE_REFUSES(checkedDescription(std::string(256, 'a')), Kind::BadDescription);

        // Characters, not bytes: 255 two-, three- and four-byte characters fit.
        for (std::string_view character : {"\xc3\xa9" /* é */, "\xe2\x82\xac" /* € */, "\xf0\x9f\x98\x80"}) {
            const std::string fits = repeated(character, 255);
            QCOMPARE(utf8Length(fits), 255LL);
            QCOMPARE(checkedDescription(fits), fits);
            STORE_REFUSES(checkedDescription(repeated(character, 256)), Kind::BadDescription);
            // A mix that is 255 characters long in total.
            QCOMPARE(checkedDescription(repeated(character, 100) + std::string(155, 'x')).size(),
                     100 * character.size() + 155);
        }
        try {
            checkedDescription(std::string(300, 'a'));
        } catch (const StoreError& error) {
            QVERIFY2(std::string(error.what()).find("255") != std::string::npos, error.what());
        }

        // Text that is not UTF-8, or holds a NUL, is refused.
        for (std::string_view bad :
             {"\xc3", "abc\xc3", "\xc3\x28", "\x80", "a\xbf" "b", "\xff", "\xfe", "\xc0\xaf", "\xe0\x80\xaf",
              "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80", "\xf0\x9f\x98", "\xe2\x82"})
            STORE_REFUSES(checkedDescription(bad), Kind::BadDescription);
        STORE_REFUSES(checkedDescription(std::string_view("ab\0cd", 5)), Kind::BadDescription);
        STORE_REFUSES(checkedDescription(std::string_view("\0", 1)), Kind::BadDescription);
    }
};

QTEST_APPLESS_MAIN(ConversionsTest)
#include "ConversionsTest.moc"
