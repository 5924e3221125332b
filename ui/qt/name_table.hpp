#pragma once

// A set of byte-string names with a small value each, filled once and then only read: an
// open-addressing table over one block of text, so that a folder of a hundred thousand names
// costs two allocations rather than one per name, and a look-up one probe in most cases.
// A cell is 8 bytes, so that the table of a large folder stays in the processor's caches: a
// look-up of a large set is one cache miss in the cells and one in the text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tempinex::qt {

class NameTable {
 public:
  void Reserve(std::size_t names);
  // Adds name with value (0 to 3); a name already present keeps its first value. False when
  // the name cannot be held: longer than a directory entry's 255 bytes, or the text full.
  bool Add(std::string_view name, std::uint8_t value);
  std::optional<std::uint8_t> Find(std::string_view name) const;

 private:
  struct Cell {
    std::uint32_t tag = 0;    // the hash's high half: most other names differ in it
    std::uint32_t where = 0;  // 0: empty; else (offset of the name in text + 1) * 4 + value
  };

  static std::uint32_t TagOf(std::size_t hash) { return static_cast<std::uint32_t>(hash >> 32); }
  std::string_view NameAt(const Cell& cell) const;
  std::size_t Probe(std::string_view name, std::size_t hash) const;

  // Every name, one after the other, each after a byte holding its length.
  std::string text;
  std::vector<Cell> cells;
  std::size_t count = 0;
};

}  // namespace tempinex::qt
