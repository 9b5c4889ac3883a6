#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tallowick {

// The longest description the ledger holds, in characters (not bytes).
inline constexpr std::size_t kDescriptionLimit = 255;

// Number text: optional blanks, an optional sign, digits, optional blanks.
// Anything else, or a value beyond 64 bits, throws StoreError (BadNumber).
std::int64_t parseNumber(std::string_view text);

// Checks a description: valid UTF-8 of at most kDescriptionLimit characters,
// without NUL. Throws StoreError (BadDescription) otherwise.
std::string checkedDescription(std::string_view text);

// Counts the characters of UTF-8 text; returns -1 for text that is not UTF-8.
long long utf8Length(std::string_view text);

} // namespace tallowick
