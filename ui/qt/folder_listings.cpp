#include "folder_listings.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  std::u16string_view folder;
  std::u16string_view name;
};

// The folder and the name of path, when path names an entry of a folder by a plain name.
std::optional<Split> SplitPath(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  Split split;
  if (slash == std::u16string_view::npos) {
    split = {u".", path};
  } else {
    split = {slash == 0 ? path.substr(0, 1) : path.substr(0, slash), path.substr(slash + 1)};
  }
  if (split.name.empty() || split.name == u"." || split.name == u"..") {
    return std::nullopt;
  }
  return split;
}

// The bytes of a name made of ASCII alone, which are its code units: most names are, and they
// need neither the general encoding nor a string of their own. Nothing for any other name.
std::optional<std::string_view> AsciiBytes(std::u16string_view name, char (&buffer)[256]) {
  if (name.size() > sizeof buffer) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == 0 || name[i] >= 0x80) {
      return std::nullopt;
    }
    buffer[i] = static_cast<char>(name[i]);
  }
  return std::string_view(buffer, name.size());
}

}  // namespace

void FolderListings::Clear() {
  folders.clear();
  lastFolder = {};
  lastTable = nullptr;
}

void FolderListings::Prepare(const std::vector<std::u16string>& paths) {
  Clear();
  std::unordered_map<std::u16string_view, std::size_t> filesPerFolder;
  // The paths of a set mostly come folder by folder: the count of the folder met last is at
  // hand without hashing the folder again.
  std::u16string_view lastCounted;
  std::size_t* lastCount = nullptr;
  for (const std::u16string& path : paths) {
    const auto split = SplitPath(path);
    if (!split) {
      continue;
    }
    if (lastCount == nullptr || split->folder != lastCounted) {
      lastCounted = split->folder;
      lastCount = &filesPerFolder[split->folder];
    }
    ++*lastCount;
  }
  // Only folders this user may both read and search: the entries of a folder that can be read
  // but not searched cannot be looked at one by one, and must not be answered for.
  for (const auto& [folder, files] : filesPerFolder) {
    const auto native = EncodeFileName(folder);
    struct stat info {};
    if (files < kFewestFiles || !native || stat(native->c_str(), &info) != 0 ||
        !S_ISDIR(info.st_mode) ||
        faccessat(AT_FDCWD, native->c_str(), R_OK | X_OK, AT_EACCESS) != 0 ||
        static_cast<std::size_t>(info.st_size) / kSmallestEntryBytes > files * kEntriesPerFile) {
      continue;
    }
    List(std::u16string(folder), *native, files);
  }
}

void FolderListings::List(const std::u16string& folder, const std::string& native,
                          std::size_t files) {
  DIR* directory = opendir(native.c_str());
  if (directory == nullptr) {
    return;  // not readable: each file is asked about on its own
  }
  NameTable& entries = folders[folder];
  entries.Reserve(files);
  while (const dirent* entry = readdir(directory)) {
    Entry kind = Entry::kOther;
    if (entry->d_type == DT_DIR) {
      kind = Entry::kDirectory;
    } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      kind = Entry::kAsk;  // a link may lead to a folder
    }
    if (!entries.Add(entry->d_name, static_cast<std::uint8_t>(kind))) {
      folders.erase(folder);  // a listing that misses a name must answer for none
      break;
    }
  }
  closedir(directory);
}

std::optional<EntryKind> FolderListings::Find(std::u16string_view path) const {
  if (folders.empty()) {
    return std::nullopt;
  }
  const auto split = SplitPath(path);
  if (!split) {
    return std::nullopt;
  }
  if (lastTable == nullptr || split->folder != lastFolder) {
    const auto folder = folders.find(split->folder);
    if (folder == folders.end()) {
      return std::nullopt;
    }
    lastFolder = folder->first;  // the key stays where it is while the map lives
    lastTable = &folder->second;
  }
  char buffer[256];
  std::optional<std::string_view> bytes = AsciiBytes(split->name, buffer);
  std::optional<std::string> encoded;
  if (!bytes) {
    encoded = EncodeFileName(split->name);
    if (!encoded) {
      return std::nullopt;
    }
    bytes = *encoded;
  }
  const std::optional<std::uint8_t> entry = lastTable->Find(*bytes);
  if (!entry) {
    return EntryKind::kMissing;
  }
  switch (static_cast<Entry>(*entry)) {
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
