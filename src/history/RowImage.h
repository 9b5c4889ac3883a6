#pragma once

#include "LedgerRow.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tallowick {

// A row packed into a few bytes for the change history: a flags byte, then
// variable-length integers and the description's bytes. A typical row takes
// 30 to 60 bytes instead of the hundred or more of a LedgerRow in memory.
//
// appendRowImage adds the image to `bytes`, led by its length, and returns
// where it starts; readRowImage and rowImageAt read it back from there.
std::size_t appendRowImage(std::string& bytes, const LedgerRow& row);
LedgerRow readRowImage(std::string_view bytes, std::size_t start);
// The image's bytes (without the length), for comparing two images.
std::string_view rowImageAt(std::string_view bytes, std::size_t start);

} // namespace tallowick
