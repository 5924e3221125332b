#include "string_table.hpp"

#include "control_ids.hpp"

namespace tempinex {

namespace {

struct StringEntry {
  int id;
  const char16_t* text;
};

constexpr StringEntry kStrings[] = {
    {ids::kAboutMenuString, u"Tempinex のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
};

}  // namespace

std::u16string LoadResourceString(int id) {
  for (const StringEntry& entry : kStrings) {
    if (entry.id == id) {
      return entry.text;
    }
  }
  return {};
}

}  // namespace tempinex
