#include "folder_listings.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include "file_name.hpp"

namespace tempinex::qt {

namespace {

// A folder is listed for at least this many files of the set...
constexpr std::size_t kFewestFiles = 64;
// ...and when its size suggests no more than this many entries per file asked about: reading
// an entry costs a small fraction of an lstat.
constexpr std::size_t kEntriesPerFile = 16;
// Directory sizes run from about 16 bytes per entry (ext4, short names) upwards.
constexpr std::size_t kSmallestEntryBytes = 16;

struct Split {
  std::u16string folder;
  std::u16string name;
};

// The folder and the name of path, when path names an entry of a folder by a plain name.
std::optional<Split> SplitPath(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'/');
  Split split;
  if (slash == std::u16string::npos) {
    split = {u".", path};
  } else {
    split = {slash == 0 ? u"/" : path.substr(0, slash), path.substr(slash + 1)};
  }
  if (split.name.empty() || split.name == u"." || split.name == u"..") {
    return std::nullopt;
  }
  return split;
}

}  // namespace

void FolderListings::Prepare(const std::vector<std::u16string>& paths) {
  folders.clear();
  std::unordered_map<std::u16string, std::size_t> filesPerFolder;
  for (const std::u16string& path : paths) {
    if (const auto split = SplitPath(path)) {
      ++filesPerFolder[split->folder];
    }
  }
  for (const auto& [folder, files] : filesPerFolder) {
    const auto native = EncodeFileName(folder);
    struct stat info {};
    if (files < kFewestFiles || !native || stat(native->c_str(), &info) != 0 ||
        !S_ISDIR(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) / kSmallestEntryBytes > files * kEntriesPerFile) {
      continue;
    }
    DIR* directory = opendir(native->c_str());
    if (directory == nullptr) {
      continue;  // not readable: each file is asked about on its own
    }
    auto& entries = folders[folder];
    entries.reserve(files);
    while (const dirent* entry = readdir(directory)) {
      Entry kind = Entry::kOther;
      if (entry->d_type == DT_DIR) {
        kind = Entry::kDirectory;
      } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
        kind = Entry::kAsk;  // a link may lead to a folder
      }
      entries.emplace(entry->d_name, kind);
    }
    closedir(directory);
  }
}

std::optional<EntryKind> FolderListings::Find(const std::u16string& path) const {
  if (folders.empty()) {
    return std::nullopt;
  }
  const auto split = SplitPath(path);
  if (!split) {
    return std::nullopt;
  }
  const auto folder = folders.find(split->folder);
  if (folder == folders.end()) {
    return std::nullopt;
  }
  const auto name = EncodeFileName(split->name);
  if (!name) {
    return std::nullopt;
  }
  const auto entry = folder->second.find(*name);
  if (entry == folder->second.end()) {
    return EntryKind::kMissing;
  }
  switch (entry->second) {
    case Entry::kDirectory:
      return EntryKind::kDirectory;
    case Entry::kOther:
      return EntryKind::kOther;
    case Entry::kAsk:
      break;
  }
  return std::nullopt;
}

}  // namespace tempinex::qt
