#pragma once

// The extended attribute user.DOSATTRIB, in which Samba and Wine keep DOS attributes and the
// creation time of a file on Linux.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "value_names.hpp"

namespace tempinex {

using platform::linux_fs::kDosAttribName;

struct DosAttrib {
  std::uint32_t attrib = 0;
  std::uint64_t createTime = 0;  // NT time (100 ns since 1601-01-01 UTC); 0 when none is kept
};

// Reads the text form and binary versions 1 to 5. A value in none of these forms reads as
// nothing, like a missing attribute.
std::optional<DosAttrib> ParseDosAttrib(std::string_view value);

// Version 3, as every Samba since 3.5 and Wine read it.
std::string EncodeDosAttrib(const DosAttrib& info);

}  // namespace tempinex
