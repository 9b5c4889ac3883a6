// What a user types, read as an amount, number, date or description, the forms written back, and the
// case folding Find matches with.
#include "CsvDialect.h"
#include "LedgerFind.h"
#include "StoreTestSupport.h"

#include <algorithm>

using namespace std::literals;
using Texts = std::initializer_list<std::string_view>;
constexpr qint64 kMax = INT64_MAX, kMin = INT64_MIN;
class TextFormsTest : public QObject {
    Q_OBJECT
private slots:
    void knownTexts()
    {
        // Accepted forms, the fifth decimal rounding half away from zero, and the range limits.
        std::vector<std::pair<const char*, qint64>> accepted{
            {"12.5", 125000},     {"-0", 0},         {"0012.50", 125000}, {" \t12.5\t ", 125000},
            {"+3", 30000},        {"-$5.2", -52000}, {"1,2,3", 1230000},  {"12.", 120000},
            {"-.5", -5000},       {"0.0001", 1},     {"0.00005", 1},      {"-0.00005", -1},
            {"-9.99995", -100000}};
        accepted.insert(accepted.end(), {{"  $1,234.50 ", 12345000},
                                         {"-1,234,567", -12345670000},
                                         {"0.000049999", 0},
                                         {"1.23455001", 12346},
                                         {"$1,000.00005", 10000001},
                                         {"922,337,203,685,477.5807", kMax},
                                         {"-$922337203685477.5808", kMin},
                                         {"922337203685477.58065", kMax}});
        for (const auto& [text, expected] : accepted)
            QVERIFY2(Money::parse(text) == units(expected), text);
        QCOMPARE(Money::parse(std::string(400, '0') + "1.5"), units(15000));
        for (std::string_view text :
             Texts{"",    " \t ", "-",      "+",    ".",    "-.",   "$",    "-$",    "abc",   "12a",
                   "1e5", "0x10", "1,,000", ",100", "100,", "1,.5", "1.,5", "1.2.3", "1.2,3", "--5",
                   "+-5", "$$5",  "5-",     "5$",   "5 0",  "- 5",  "$ 5",  "(5)"})
            REFUSES(Money::parse(text), Kind::BadAmount);
        // Foreign spaces, digits and signs, and a NUL, mean nothing to an amount or a number.
        for (std::string_view text :
             Texts{"\302\24012", "\xd9\xa3", "\xef\xbc\x91", "\342\210\2225", "1\0002"sv}) {
            REFUSES(Money::parse(text), Kind::BadAmount);
            REFUSES(parseNumber(text), Kind::BadNumber);
        }
        for (const std::string& text :
             std::initializer_list<std::string>{"922337203685477.5808", "-922337203685477.5809",
                                                "922337203685477.58075", "1" + std::string(400, '0') + ".5"})
            REFUSES(Money::parse(text), Kind::Overflow);
        Money balance = units(kMax); // a refused += or -= leaves the value as it was
        REFUSES(balance += units(1), Kind::Overflow);
        REFUSES(balance -= units(-1), Kind::Overflow);
        REFUSES(units(kMin) - units(1), Kind::Overflow);
        QVERIFY(balance == units(kMax) && balance + units(kMin) == units(-1));
        std::vector<std::tuple<qint64, const char*, const char*>> forms{
            // value, plain form, the grid's form
            {125000, "12.5", "$12.50"},       {0, "0", "$0.00"},      {-5000, "-0.5", "-$0.50"},
            {-1, "-0.0001", "$0.00"},         {50, "0.005", "$0.01"}, {-50, "-0.005", "-$0.01"},
            {9999950, "999.995", "$1,000.00"}};
        forms.insert(forms.end(), {{12345678900000, "1234567890", "$1,234,567,890.00"},
                                   {kMax, "922337203685477.5807", "$922,337,203,685,477.58"},
                                   {kMin, "-922337203685477.5808", "-$922,337,203,685,477.58"}});
        for (const auto& [value, plain, display] : forms)
            QVERIFY2(units(value).plainText() == plain && Money::parse(plain) == units(value)
                         && units(value).displayText() == display,
                     display);
        std::vector<std::pair<const char*, qint64>> numbers{{"1001", 1001}, {"\t-7 ", -7},  {"+15", 15},
                                                            {"-0", 0},      {"000042", 42}, {"-10", -10}};
        numbers.insert(numbers.end(), {{"9223372036854775807", kMax}, {"-9223372036854775808", kMin}});
        for (const auto& [text, expected] : numbers)
            QCOMPARE(parseNumber(text), expected);
        for (std::string_view text : Texts{"", " ", "-", "- 5", "5 5", "--5", "1.5", "1,000", "$5", "12a",
                                           "0x1F", "9223372036854775808", "-9223372036854775809"})
            REFUSES(parseNumber(text), Kind::BadNumber);
        // Two-digit years mean 1930 .. 2029; leap days follow the calendar.
        const std::pair<const char*, LedgerDate> dates[] = {
            {"3/7/2004", {2004, 3, 7}},         {"03-07-2004", {2004, 3, 7}}, {"2004-3-7", {2004, 3, 7}},
            {"  12/31/1999\t", {1999, 12, 31}}, {"1/1/30", {1930, 1, 1}},     {"1/1/00", {2000, 1, 1}},
            {"12-31-29", {2029, 12, 31}},       {"2/29/04", {2004, 2, 29}},   {"2000-02-29", {2000, 2, 29}},
            {"4/30/2004", {2004, 4, 30}},       {"0030-01-01", {30, 1, 1}}};
        for (const auto& [text, date] : dates)
            QVERIFY2(LedgerDate::parse(text) == date && LedgerDate::parse(date.shortText()) == date
                         && LedgerDate::fromIso(date.isoText()) == date,
                     text);
        QCOMPARE(LedgerDate({2004, 3, 7}).shortText() + LedgerDate({2004, 3, 7}).isoText(),
                 "3/7/20042004-03-07");
        for (std::string_view text :
             Texts{"2/29/2003", "2/29/1900",  "2/29/03",    "2/30/2000",   "4/31/2004", "13/1/2004",
                   "0/1/2004",  "1/32/2004",  "2004-04-31", "2004-00-10",  "1/1/0000",  "1/1/200",
                   "1/1/20045", "123/1/2004", "1/1",        "1/1/2004/5",  "1//2004",   "1-1/2004",
                   "3/7/2004x", "",           "+3/7/2004",  "3/7/2004\0"sv})
            REFUSES(LedgerDate::parse(text), Kind::BadDate);
        for (std::string_view iso : {"2004-3-7", "2004/03/07", "2004-02-30", "3/7/2004"})
            REFUSES(LedgerDate::fromIso(iso), Kind::BadDate);
        for (const char* character :
             {"a", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"}) { // 255 fit, 256 do not
            const std::string text = QByteArray(character).repeated(255).toStdString();
            QCOMPARE(checkedDescription(text), text);
            REFUSES(checkedDescription(text + character), Kind::BadDescription);
        }
        for (std::string_view bad :
             Texts{"\xc3", "abc\xc3", "\xc3\x28", "\x80", "\xff", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                   "\xf4\x90\x80\x80", "\xf0\x9f\x98", "ab\0c"sv})
            REFUSES(checkedDescription(bad), Kind::BadDescription);
        std::string folded;
        appendFoldedCase("PLUMBER \u00c0\u00de\u00d7 \u0100\u0139\u0141\u0178\u017d\u0130 "
                         "\u0391\u03a3\u03c2 \u0414\u042f\u0400 \u20ac \xff\xc3",
                         folded);
        QCOMPARE(folded, "plumber \u00e0\u00fe\u00d7 \u0101\u013a\u0142\u00ff\u017e\u0130 "
                         "\u03b1\u03c3\u03c3 \u0434\u044f\u0450 \u20ac \xff\xc3");
    }
    // Random and crafted text: only StoreError is thrown; accepted text reads back from the written form.
    void randomText()
    {
        // Pieces that mean something to one of the parsers.
        std::vector<std::string> pieces{"1,000", "2004", "12/31", "-02-29", "9223372036854775807",
                                        "0",     "1",    "00",    ",",      ".",
                                        "-",     "+",    "$",     " ",      "\t",
                                        "/",     "e",    "\n",    "\0"s};
        pieces.insert(pieces.end(), {"\xc2\xa0", "\xe2\x88\x92", "\xef\xbc\x91", "\xc3\xa9",
                                     "\xf0\x9f\x98\x80", "\xff", "\xc3", "\xed\xa0\x80"});
        std::mt19937_64 random(0x7a110c1c20040307ULL);
        auto below = [&](std::uint64_t bound) { return random() % bound; };
        auto digits = [&](std::uint64_t n) {
            std::string out;
            while (n--)
                out += char('0' + below(10));
            return out;
        };
        int accepted[7] = {}, parser = 0; // each parser must accept often, or this proves little
        std::string text;
        auto reads = [&](auto parse, auto readBack) { // a refused read-back escapes and fails
            int& count = accepted[parser++ % 7];
            std::optional<decltype(parse())> value;
            try {
                value = parse();
            } catch (const StoreError&) {
                return;
            }
            QVERIFY2(++count && readBack(*value), text.c_str());
        };
        for (int k = 0; k < 120'000 && !QTest::currentTestFailed(); ++k) {
            const std::int64_t crafted = std::int64_t(random()) >> below(64);
            const std::uint64_t magnitude = crafted < 0 ? 0 - std::uint64_t(crafted) : std::uint64_t(crafted);
            const auto family = below(6);
            text.clear();
            switch (family) {
            case 0:
                for (auto n = below(30); n > 0; --n)
                    text += pieces[below(pieces.size())];
                break;
            case 1:
                text = digits(k % 500 ? 1 + below(25) : 10'000) + (below(2) ? "." + digits(below(12)) : "");
                break;
            case 2:
                text = std::to_string(below(14)) + "/" + std::to_string(below(33)) + "/" + digits(below(5));
                break;
            case 3: text = digits(4) + "-" + digits(1 + below(2)) + "-" + digits(1 + below(2)); break;
            case 4: // an amount in the range, written in one of the accepted ways
                text = std::string(below(3), ' ')
                       + (crafted < 0 ? "-"
                          : below(2)  ? "+"
                                      : "")
                       + (below(2) ? "$" : "") + std::to_string(magnitude / 10000) + "."
                       + std::to_string(10000 + magnitude % 10000).substr(1)
                       + (below(2) ? "" : "4" + digits(below(8)));
                break;
            default:
                for (auto n = below(30); n > 0; --n)
                    text += char(below(256));
            }
            reads([&] { return Money::parse(text); },
                  [](Money m) { return Money::parse(m.plainText()) == m; });
            reads([&] { return parseNumber(text); },
                  [](auto n) { return parseNumber(std::to_string(n)) == n; });
            reads([&] { return LedgerDate::parse(text); },
                  [](auto d) { return LedgerDate::parse(d.shortText()) == d; });
            reads([&] { return checkedDescription(text); },
                  [&](auto d) { return d == text && utf8Length(d) <= 255 && d.find('\0') == d.npos; });
            // A CSV file's amounts: with decimal points never other than the editor reads them; with
            // decimal commas as the plain form written with a comma. Dates of either dialect read back.
            reads([&] { return importedAmount(text, DecimalMark::Point); },
                  [&](Money m) { return Money::parse(text) == m; });
            reads([&] { return importedAmount(text, DecimalMark::Comma); },
                  [](Money m) {
                      std::string comma = m.plainText();
                      std::replace(comma.begin(), comma.end(), '.', ',');
                      return importedAmount(comma, DecimalMark::Comma) == m;
                  });
            reads([&] { return importedDate(text, DecimalMark::Comma); },
                  [](auto d) { return importedDate(d.isoText(), DecimalMark::Point) == d; });
            if (family == 4)
                QCOMPARE(Money::parse(text), units(crafted));
            std::string folded; // Find folds any bytes a user or a file holds, to as many bytes
            appendFoldedCase(text, folded);
            LedgerRow row;
            row.description = text;
            QVERIFY2(folded.size() == text.size() && (text.empty() || FindText(text).shownIn(row)),
                     text.c_str());
        }
        QVERIFY(accepted[0] > 5'000 && accepted[1] > 5'000 && accepted[2] > 1'000 && accepted[3] > 10'000);
        QVERIFY(accepted[4] > 5'000 && accepted[5] > 1'000 && accepted[6] > 1'000);
    }
};

QTEST_APPLESS_MAIN(TextFormsTest)
#include "TextFormsTest.moc"
