#include "attribute_text.hpp"

#include "core_access.hpp"

namespace tempinex::cli {

namespace {

struct Letter {
  char letter;
  std::uint32_t bit;
};

constexpr Letter kShown[] = {{'R', kReadOnly}, {'H', kHidden},    {'S', kSystem},
                             {'A', kArchive},  {'D', kDirectory}, {'C', kCompressed}};

std::uint32_t BitOf(char letter) {
  for (const Letter& entry : kShown) {
    if ((entry.bit & kEditable) && (entry.letter == letter || entry.letter + 32 == letter)) {
      return entry.bit;
    }
  }
  return 0;
}

}  // namespace

std::string AttributeLetters(std::uint32_t attributes) {
  std::string letters;
  for (const Letter& entry : kShown) {
    letters += (attributes & entry.bit) ? entry.letter : '-';
  }
  return letters;
}

bool ParseAttributeEdit(std::string_view text, AttributeEdit& edit) {
  edit = {};
  char sign = 0;
  for (const char c : text) {
    if (c == '+' || c == '-') {
      sign = c;
      continue;
    }
    const std::uint32_t bit = BitOf(c);
    if (sign == 0 || bit == 0 || ((edit.set | edit.clear) & bit)) {
      return false;
    }
    (sign == '+' ? edit.set : edit.clear) |= bit;
  }
  return !text.empty() && (text.back() != '+' && text.back() != '-');
}

}  // namespace tempinex::cli
