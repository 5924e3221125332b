#pragma once

// A set of byte-string names with a small value each, filled once and then only read: an
// open-addressing table over one block of text, so that a folder of a hundred thousand names
// costs two allocations rather than one per name, and a look-up one probe in most cases.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tempinex::qt {

class NameTable {
 public:
  void Reserve(std::size_t names);
  // Adds name with value; a name already present keeps its first value.
  void Add(std::string_view name, std::uint8_t value);
  std::optional<std::uint8_t> Find(std::string_view name) const;

 private:
  struct Cell {
    std::size_t hash = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    std::uint8_t value = 0;
    bool used = false;
  };

  std::size_t Probe(std::string_view name, std::size_t hash) const;

  std::string text;  // every name, one after the other
  std::vector<Cell> cells;
  std::size_t count = 0;
};

}  // namespace tempinex::qt
