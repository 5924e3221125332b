#include "name_table.hpp"

#include <functional>

namespace tempinex::qt {

namespace {

std::size_t PowerOfTwoAtLeast(std::size_t wanted) {
  std::size_t size = 16;
  while (size < wanted) {
    size *= 2;
  }
  return size;
}

// A directory entry's name is at most 255 bytes: its length fits the byte before it.
constexpr std::size_t kLongestName = 255;
// The offsets of the text, with two bits of value beside them, in 32 bits.
constexpr std::size_t kLongestText = (std::size_t{1} << 30) - 2;

}  // namespace

std::string_view NameTable::NameAt(const Cell& cell) const {
  const std::size_t offset = cell.where / 4 - 1;
  return std::string_view(text).substr(offset + 1, static_cast<unsigned char>(text[offset]));
}

void NameTable::Reserve(std::size_t names) {
  if (cells.size() < names * 2) {
    std::vector<Cell> old = std::move(cells);
    cells.assign(PowerOfTwoAtLeast(names * 2), Cell{});
    for (const Cell& cell : old) {
      if (cell.where != 0) {
        const std::string_view name = NameAt(cell);
        cells[Probe(name, std::hash<std::string_view>{}(name))] = cell;
      }
    }
  }
  text.reserve(names * 16);
}

// The cell that holds name, or the empty cell where it belongs. Kept at most half full, so
// there always is one.
std::size_t NameTable::Probe(std::string_view name, std::size_t hash) const {
  const std::size_t mask = cells.size() - 1;
  const std::uint32_t tag = TagOf(hash);
  for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
    const Cell& cell = cells[index];
    if (cell.where == 0 || (cell.tag == tag && NameAt(cell) == name)) {
      return index;
    }
  }
}

bool NameTable::Add(std::string_view name, std::uint8_t value) {
  if (name.size() > kLongestName || text.size() + 1 + name.size() > kLongestText) {
    return false;
  }
  if ((count + 1) * 2 > cells.size()) {
    Reserve(count + 1 > 64 ? (count + 1) * 2 : 64);
  }
  const std::size_t hash = std::hash<std::string_view>{}(name);
  Cell& cell = cells[Probe(name, hash)];
  if (cell.where != 0) {
    return true;
  }
  cell = {TagOf(hash), static_cast<std::uint32_t>((text.size() + 1) * 4 + (value & 3))};
  text.push_back(static_cast<char>(name.size()));
  text.append(name);
  ++count;
  return true;
}

std::optional<std::uint8_t> NameTable::Find(std::string_view name) const {
  if (cells.empty()) {
    return std::nullopt;
  }
  const Cell& cell = cells[Probe(name, std::hash<std::string_view>{}(name))];
  return cell.where != 0 ? std::optional<std::uint8_t>(cell.where & 3) : std::nullopt;
}

}  // namespace tempinex::qt
