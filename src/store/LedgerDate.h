#pragma once

#include <string>
#include <string_view>

namespace tallowick {

// A calendar day as the ledger stores it. The file keeps it as ISO text
// ("2004-03-07"); the editor shows and reads it as month/day/year.
struct LedgerDate {
    int year = 0;
    int month = 0;
    int day = 0;

    // Accepts m/d/yyyy and m-d-yyyy (one or two digits for month and day, a
    // two-digit year meaning 1930 to 2029) and yyyy-mm-dd. A day that is not
    // in the calendar throws StoreError (Kind::BadDate).
    static LedgerDate parse(std::string_view text);

    // Reads the file's ISO form; throws StoreError (Kind::BadDate) otherwise.
    static LedgerDate fromIso(std::string_view iso);

    std::string isoText() const; // "2004-03-07"
    std::string shortText() const; // "3/7/2004"

    bool operator==(const LedgerDate&) const = default;
};

bool isCalendarDay(int year, int month, int day);

} // namespace tallowick
