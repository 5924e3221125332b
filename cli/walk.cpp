#include "walk.hpp"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tempinex::cli {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

void WalkFolder(const std::string& name, File& folder, const WalkVisitor& visitor) {
  std::vector<File::Entry> entries;
  if (const int error = folder.List(entries); error != 0) {
    visitor.unreadable(name, error);
  }
  std::sort(entries.begin(), entries.end(),
            [](const File::Entry& a, const File::Entry& b) { return a.name < b.name; });
  for (const File::Entry& entry : entries) {
    if (entry.link) {
      continue;
    }
    const std::string path = Join(name, entry.name);
    int error = 0;
    const std::unique_ptr<File> child = folder.OpenEntry(entry.name, error);
    if (!child) {
      // An entry gone since it was listed has nothing left to change.
      if (error != ENOENT) {
        visitor.unreadable(path, error);
      }
      continue;
    }
    if (child->IsLink()) {
      continue;  // made a link since it was listed: still never followed
    }
    visitor.entry(path, *child);
    if (child->IsFolder()) {
      WalkFolder(path, *child, visitor);
    }
  }
}

}  // namespace

void Walk(const std::string& rootName, File& root, const WalkVisitor& visitor) {
  visitor.entry(rootName, root);
  if (root.IsFolder()) {
    WalkFolder(rootName, root, visitor);
  }
}

}  // namespace tempinex::cli
