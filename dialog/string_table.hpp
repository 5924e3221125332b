#pragma once

// The program's string resources by number, the same on every platform.

#include <string>

namespace tempinex {

// The empty string for a number the table does not hold.
std::u16string LoadResourceString(int id);

}  // namespace tempinex
