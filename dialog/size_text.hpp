#pragma once

#include <cstdint>
#include <string>

namespace tempinex {

// "1.5KB(1536バイト)": the kilobytes worked out in single precision, as the dialog has always
// shown them, followed by the exact byte count.
std::u16string FormatSizeText(std::uint64_t bytes);

}  // namespace tempinex
