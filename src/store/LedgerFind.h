#pragma once

#include "LedgerFile.h"
#include "LedgerRow.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowick {

enum class FindDirection { Next, Previous };

// A text a user looks for. A row shows it when its description holds it
// without regard to letter case, or its number, date or one of its amounts
// holds it as the grid shows them: "40" is in "$1,240.00", "3/7/2004" in that
// day, "1001" in check 1001. The "T" column is not searched: a lone "t"
// would find every deductible row.
class FindText {
public:
    explicit FindText(std::string_view text);

    bool empty() const { return folded_.empty(); }

    // Rows are shown as the grid shows them, but the verdict on the last
    // date and on recently met amounts is kept: rows of one day come
    // together, and most amounts recur (0 above all, a rent, a fee).
    bool shownIn(const LedgerRow& row) const;

private:
    bool inShownForm(std::string_view shown) const;
    bool amountShown(const LedgerRow& row, LedgerColumn column, Money amount) const;

    std::string folded_;
    // Whether the text could stand in a number, a date or an amount at all;
    // a word cannot, and its search reads only descriptions.
    bool mayBeNumber_ = false;
    bool mayBeDate_ = false;
    bool mayBeAmount_ = false;

    mutable std::string description_; // the folded description of the row at hand
    mutable std::optional<LedgerDate> lastDate_;
    mutable bool lastDateShown_ = false;
    struct AmountVerdict {
        std::int64_t amount = 0;
        signed char shown = -1; // -1: no verdict kept
    };
    mutable std::vector<AmountVerdict> amountVerdicts_;

    friend std::optional<long long> findRow(LedgerConnection&, const FindText&, long long, FindDirection);
};

// The 1-based position of the row nearest to `from` that shows `text`:
// Next looks at the rows after `from`, then from the first row on; Previous
// at the rows before it, then from the last row back. The row at `from`
// comes last; 0 stands before the first row. Nothing when no row shows it
// or the text is empty. One reading of the table, which a Next ends at its
// row. Throws StoreError.
std::optional<long long> findRow(LedgerConnection& connection, const FindText& text, long long from,
                                 FindDirection direction);

// Appends UTF-8 text with the capitals of the Latin, Greek and Cyrillic
// alphabets made small; every other byte, valid UTF-8 or not, as it is.
void appendFoldedCase(std::string_view text, std::string& out);

} // namespace tallowick
