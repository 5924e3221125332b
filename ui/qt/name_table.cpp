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

}  // namespace

void NameTable::Reserve(std::size_t names) {
  if (cells.size() < names * 2) {
    std::vector<Cell> old = std::move(cells);
    cells.assign(PowerOfTwoAtLeast(names * 2), Cell{});
    for (const Cell& cell : old) {
      if (cell.used) {
        cells[Probe(std::string_view(text).substr(cell.offset, cell.length), cell.hash)] = cell;
      }
    }
  }
  text.reserve(names * 16);
}

// The cell that holds name, or the empty cell where it belongs. Kept at most half full, so
// there always is one.
std::size_t NameTable::Probe(std::string_view name, std::size_t hash) const {
  const std::size_t mask = cells.size() - 1;
  for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
    const Cell& cell = cells[index];
    if (!cell.used ||
        (cell.hash == hash && std::string_view(text).substr(cell.offset, cell.length) == name)) {
      return index;
    }
  }
}

void NameTable::Add(std::string_view name, std::uint8_t value) {
  if ((count + 1) * 2 > cells.size()) {
    Reserve(count + 1 > 64 ? (count + 1) * 2 : 64);
  }
  const std::size_t hash = std::hash<std::string_view>{}(name);
  Cell& cell = cells[Probe(name, hash)];
  if (cell.used) {
    return;
  }
  cell = {hash, static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(name.size()),
          value, true};
  text.append(name);
  ++count;
}

std::optional<std::uint8_t> NameTable::Find(std::string_view name) const {
  if (cells.empty()) {
    return std::nullopt;
  }
  const Cell& cell = cells[Probe(name, std::hash<std::string_view>{}(name))];
  return cell.used ? std::optional<std::uint8_t>(cell.value) : std::nullopt;
}

}  // namespace tempinex::qt
