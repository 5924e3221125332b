#pragma once

// How the date-time fields turn text into numbers and numbers into text.

#include <cstdint>
#include <string>
#include <string_view>

namespace tempinex {

// The value of a decimal digit in any script (full-width digits included), or -1.
int DecimalDigitValue(char16_t unit);

// Leading white space, one sign, then decimal digits up to the first other character. Empty or
// non-numeric text reads 0; values beyond 32 bits read as the nearest limit.
std::int32_t ReadFieldNumber(std::u16string_view text);

// The "%d" form of a number.
std::u16string FormatFieldNumber(std::int64_t value);

}  // namespace tempinex
