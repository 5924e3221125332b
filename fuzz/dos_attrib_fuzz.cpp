// Arbitrary bytes as a user.DOSATTRIB value: the reader must never crash, whatever it reads
// must survive being written and read again, and any attribute word and create time must come
// back unchanged from the writer.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dos_attrib.hpp"

namespace {

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

bool Same(const tempinex::DosAttrib& a, const tempinex::DosAttrib& b) {
  return a.attrib == b.attrib && a.createTime == b.createTime;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tempinex::DosAttrib;
  const std::string_view value(reinterpret_cast<const char*>(data), size);
  if (const auto read = tempinex::ParseDosAttrib(value)) {
    const auto again = tempinex::ParseDosAttrib(tempinex::EncodeDosAttrib(*read));
    Require(again.has_value() && Same(*again, *read));
  }
  if (size >= 12) {
    DosAttrib chosen;
    std::memcpy(&chosen.attrib, data, 4);
    std::memcpy(&chosen.createTime, data + 4, 8);
    const auto back = tempinex::ParseDosAttrib(tempinex::EncodeDosAttrib(chosen));
    Require(back.has_value() && Same(*back, chosen));
  }
  return 0;
}
