// Random and hostile text through every conversion that reads what a user
// typed: nothing may crash or throw anything but a StoreError, and whatever
// is accepted must read back unchanged from the form the program writes it in.
#include "FieldText.h"
#include "LedgerDate.h"
#include "Money.h"
#include "StoreError.h"
#include "StoreTestSupport.h"

#include <QTest>

#include <limits>
#include <random>

using namespace tallowick;

namespace {

// Pieces random text is built from: ASCII that the parsers look at, blanks
// of every kind, digits and signs from other scripts, format characters,
// malformed UTF-8 and NUL.
const std::vector<std::string> kPieces = {
    "0", "1", "2", "5", "9", "00", "99", ",", ",", ".", ".", "-", "+", "$", " ", "\t", "/", "/", "e", "E", "x",
    "a", "Z", "(", ")", "%", "%s", "%n", "%d", "{}", "\\", "'", "\"", "\n", "\r", "\v", "\f", std::string(1, '\0'),
    "\xc2\xa0" /* no-break space */, "\xe2\x80\x83" /* em space */, "\xe3\x80\x80" /* ideographic space */,
    "\xe2\x80\x8b" /* zero width space */, "\xe2\x80\x8f" /* right-to-left mark */, "\xef\xbb\xbf" /* BOM */,
    "\xc2\xad" /* soft hyphen */, "\xe2\x88\x92" /* minus sign */, "\xef\xbc\x91" /* fullwidth 1 */,
    "\xd9\xa3" /* arabic-indic 3 */, "\xe0\xa5\xaa" /* devanagari 4 */, "\xf0\x9d\x9f\x8e" /* math bold 0 */,
    "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xff", "\xc3", "\x80", "\xed\xa0\x80", "\xc0\xaf",
    "\xf4\x90\x80\x80", "1,000", "2004", "12/31", "-02-29", "922337203685477", "5807", "5808", "9223372036854775807",
};

class Generator {
public:
    explicit Generator(std::uint64_t seed) : random_(seed) {}

    std::uint64_t below(std::uint64_t bound) { return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(random_); }
    bool chance(int percent) { return below(100) < std::uint64_t(percent); }
    std::int64_t anyInt64() { return std::int64_t(random_()); }
    char digit() { return char('0' + below(10)); }

    std::string digits(std::size_t count)
    {
        std::string out;
        for (std::size_t k = 0; k < count; ++k)
            out += digit();
        return out;
    }

    std::string pieces(std::size_t count)
    {
        std::string out;
        for (std::size_t k = 0; k < count; ++k)
            out += kPieces[below(kPieces.size())];
        return out;
    }

    // Text from one of several families, from plain noise to near misses.
    std::string text()
    {
        switch (below(12)) {
        case 0: return pieces(below(6));
        case 1: return pieces(below(40));
        case 2: return digits(1 + below(60)); // past the 64-bit range
        case 3: return (chance(50) ? "-" : "") + digits(below(30)) + "." + digits(below(30));
        case 4: { // many commas, sometimes doubled or at an end
            std::string out = digit() + std::string();
            for (std::size_t k = below(50); k > 0; --k)
                out += (chance(90) ? "," : ",,") + digits(below(4));
            return out;
        }
        case 5: return std::to_string(below(13)) + "/" + std::to_string(below(33)) + "/" + digits(below(6));
        case 6: return digits(4) + "-" + digits(below(3) + 1) + "-" + digits(below(3) + 1);
        case 7: return std::to_string(below(14)) + "-" + std::to_string(below(33)) + "-" + digits(2);
        case 8: { // a valid-looking amount with one piece swapped in
            std::string out = "$" + digits(1 + below(15)) + "." + digits(below(6));
            out.insert(below(out.size() + 1), kPieces[below(kPieces.size())]);
            return out;
        }
        case 9: return std::string(below(5), ' ') + (chance(50) ? "+" : "-") + pieces(below(4)) + std::string(below(3), '\t');
        case 10: { // random bytes
            std::string out;
            for (std::size_t k = below(30); k > 0; --k)
                out += char(below(256));
            return out;
        }
        default: return std::to_string(anyInt64());
        }
    }

    // Long text: a repeated piece, or noise, about 10,000 characters.
    std::string longText()
    {
        switch (below(6)) {
        case 0: return digits(10'000);
        case 1: return "1" + std::string(9'999, ',');
        case 2: return std::string(5'000, '1') + "." + std::string(4'999, '5');
        case 3: return std::string(9'999, ' ') + "1";
        case 4: {
            std::string out;
            while (out.size() < 10'000)
                out += kPieces[below(kPieces.size())];
            return out;
        }
        default: {
            std::string out;
            for (int k = 0; k < 5'000; ++k)
                out += "\xc3\xa9";
            return out;
        }
        }
    }

private:
    std::mt19937_64 random_;
};

QString printable(const std::string& text)
{
    const std::string head = text.substr(0, 120);
    return QString::fromLatin1(QByteArray(head.data(), qsizetype(head.size())).toPercentEncoding(" $,.-+/"))
         + (text.size() > 120 ? QStringLiteral("... (%1 bytes)").arg(text.size()) : QString());
}

// Groups the digits of a whole number with commas.
std::string grouped(const std::string& digits)
{
    std::string out;
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0)
            out += ',';
        out += digits[k];
    }
    return out;
}

} // namespace

class TextPropertyTest : public QObject {
    Q_OBJECT

    struct Tally {
        long long texts = 0;
        long long money = 0, numbers = 0, dates = 0, descriptions = 0;
    };

    // Runs one text through all four conversions; returns a failure description or empty.
    static QString check(const std::string& text, Tally& tally)
    {
        ++tally.texts;
        try {
            const Money value = Money::parse(text);
            ++tally.money;
            const std::string plain = value.plainText();
            if (Money::parse(plain) != value)
                return QStringLiteral("amount %1 reads back differently from %2").arg(printable(text), qs(plain));
            (void)value.displayText();
        } catch (const StoreError&) {
        }
        try {
            const std::int64_t number = parseNumber(text);
            ++tally.numbers;
            if (parseNumber(std::to_string(number)) != number)
                return QStringLiteral("number %1 reads back differently").arg(printable(text));
        } catch (const StoreError&) {
        }
        try {
            const LedgerDate date = LedgerDate::parse(text);
            ++tally.dates;
            if (!isCalendarDay(date.year, date.month, date.day))
                return QStringLiteral("date %1 is not a calendar day").arg(printable(text));
            if (LedgerDate::parse(date.shortText()) != date)
                return QStringLiteral("date %1 reads back from %2 as another day").arg(printable(text), qs(date.shortText()));
            if (LedgerDate::fromIso(date.isoText()) != date)
                return QStringLiteral("date %1 does not read back from its file form").arg(printable(text));
        } catch (const StoreError&) {
        }
        try {
            const std::string description = checkedDescription(text);
            ++tally.descriptions;
            if (description != text || utf8Length(text) > 255 || text.find('\0') != std::string::npos)
                return QStringLiteral("description %1 should have been refused").arg(printable(text));
        } catch (const StoreError&) {
        }
        return {};
    }

private slots:
    void hostileTextNeverBreaksTheConversions()
    {
        Generator generator(0x7a11'0c1c'2004'0307ULL);
        Tally tally;
        for (int k = 0; k < 120'000; ++k) {
            const std::string text = (k % 500 == 0) ? generator.longText() : generator.text();
            try {
                const QString failure = check(text, tally);
                QVERIFY2(failure.isEmpty(), qPrintable(failure));
            } catch (const std::exception& other) {
                QFAIL(qPrintable(QStringLiteral("%1 threw a foreign exception: %2").arg(printable(text), QString::fromUtf8(other.what()))));
            } catch (...) {
                QFAIL(qPrintable(QStringLiteral("%1 threw something that is not an exception").arg(printable(text))));
            }
        }
        // Every family must reach the accepting paths too, or the test proves little.
        QVERIFY(tally.texts >= 100'000);
        QVERIFY2(tally.money > 5'000, qPrintable(QString::number(tally.money)));
        QVERIFY2(tally.numbers > 5'000, qPrintable(QString::number(tally.numbers)));
        QVERIFY2(tally.dates > 1'000, qPrintable(QString::number(tally.dates)));
        QVERIFY2(tally.descriptions > 10'000, qPrintable(QString::number(tally.descriptions)));
    }

    // Any amount in range, written in any of the accepted ways, reads as itself.
    void everyWayOfWritingAnAmountReadsAsIt()
    {
        Generator generator(20040307);
        for (int k = 0; k < 30'000; ++k) {
            const std::int64_t value = k < 4 ? std::array<std::int64_t, 4>{0, 1, std::numeric_limits<std::int64_t>::max(),
                                                                         std::numeric_limits<std::int64_t>::min()}[k]
                                             : (generator.chance(50) ? generator.anyInt64()
                                                                     : std::int64_t(generator.below(100'000'000)) - 50'000'000);
            const std::uint64_t magnitude = value < 0 ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
            const std::string whole = std::to_string(magnitude / 10000);
            std::string decimals = std::to_string(magnitude % 10000);
            decimals.insert(0, 4 - decimals.size(), '0');

            std::string text = std::string(generator.below(3), ' ');
            if (value < 0)
                text += "-";
            else if (generator.chance(20))
                text += "+";
            if (generator.chance(30))
                text += "$";
            text += generator.chance(50) ? grouped(whole) : whole;
            text += "." + decimals;
            // Extra decimals below the fifth place's half round back to the value.
            if (generator.chance(40))
                text += std::string(1, char('0' + generator.below(5))) + generator.digits(generator.below(8));
            text += std::string(generator.below(3), generator.chance(50) ? ' ' : '\t');

            try {
                QVERIFY2(Money::parse(text) == units(value), qPrintable(printable(text)));
            } catch (const StoreError& error) {
                QFAIL(qPrintable(QStringLiteral("%1 refused: %2").arg(printable(text), QString::fromUtf8(error.what()))));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TextPropertyTest)
#include "TextPropertyTest.moc"
