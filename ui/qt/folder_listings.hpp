#pragma once

// What the folders of a large file set hold, read once per folder with readdir instead of one
// lstat per file: answers, for a while, whether a file exists and whether it is a folder.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "name_table.hpp"

namespace tempinex::qt {

enum class EntryKind { kMissing, kDirectory, kOther };

class FolderListings {
 public:
  // Lists each folder that holds many of paths, unless it looks far larger than its share of
  // them; forgets every earlier listing.
  void Prepare(const std::vector<std::u16string>& paths);
  void Clear();
  // What the listing of path's folder says of it; nothing when no listing can tell (the
  // folder not listed, a symbolic link, an entry of unknown type, a name ending in "/").
  std::optional<EntryKind> Find(std::u16string_view path) const;

 private:
  enum class Entry : std::uint8_t { kDirectory, kOther, kAsk };
  struct FolderHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view folder) const {
      return std::hash<std::u16string_view>{}(folder);
    }
  };
  void List(const std::u16string& folder, const std::string& native, std::size_t files);

  std::unordered_map<std::u16string, NameTable, FolderHash, std::equal_to<>> folders;
  // The folder found last: the files of a set are asked about folder by folder.
  mutable std::u16string_view lastFolder;
  mutable const NameTable* lastTable = nullptr;
};

}  // namespace tempinex::qt
