#pragma once

#include "LedgerDate.h"
#include "Money.h"

#include <string_view>

namespace tallowick {

// How a CSV file writes its numbers: with a decimal point and commas between
// groups of three digits (a file split by commas or tabs), or with a decimal
// comma and dots or spaces between the groups (a file split by semicolons, as
// spreadsheets in comma-decimal locales save it).
enum class DecimalMark { Point, Comma };

// The separator of fields that goes with each decimal mark.
DecimalMark decimalMarkFor(char separator);

// An amount as a CSV file of that dialect writes it: blanks around it, a sign
// and "$" in front in either order, digits grouped by threes or not at all,
// and the decimal mark with decimals; more than four decimals round half away
// from zero. A grouping mark anywhere else ("12,50", "1,5" in a file of
// decimal points) could mean either mark and is refused, saying which mark is
// expected; other text is refused as Money::parse refuses it (StoreError).
Money importedAmount(std::string_view text, DecimalMark mark);

// A date as a CSV file of that dialect writes it, with an optional time of
// 00:00:00 after it. D.M.YYYY and D.M.YY are day.month.year in every dialect
// (a two-digit year read as the editor reads it); yyyy-mm-dd too. Month/day
// with slashes (or M-D-YYYY) as the editor reads it, in a file of decimal
// points only: in a file of decimal commas it may be day/month and is
// refused, saying so. Throws StoreError.
LedgerDate importedDate(std::string_view text, DecimalMark mark);

} // namespace tallowick
