#include "walk.hpp"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tempinex::cli {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

void Visit(const std::string& path, const std::string& name, File& file,
           const WalkVisitor& visitor);

void WalkFolder(const std::string& path, File& folder, const WalkVisitor& visitor) {
  std::vector<File::Entry> entries;
  if (const int error = folder.List(entries); error != 0) {
    visitor.unreadable(path, error);
  }
  std::sort(entries.begin(), entries.end(),
            [](const File::Entry& a, const File::Entry& b) { return a.name < b.name; });
  for (const File::Entry& entry : entries) {
    if (entry.link && !visitor.links) {
      continue;
    }
    const std::string child = Join(path, entry.name);
    int error = 0;
    const std::unique_ptr<File> opened = folder.OpenEntry(entry.name, error);
    if (!opened) {
      // An entry gone since it was listed has nothing left to change.
      if (error != ENOENT) {
        visitor.unreadable(child, error);
      }
      continue;
    }
    if (opened->IsLink() && !visitor.links) {
      continue;  // made a link since it was listed: still never followed
    }
    Visit(child, entry.name, *opened, visitor);
  }
}

void Visit(const std::string& path, const std::string& name, File& file,
           const WalkVisitor& visitor) {
  if (!file.IsFolder()) {
    return visitor.entry(path, name, file);
  }
  if (!visitor.enter(path, name, file)) {
    return;
  }
  WalkFolder(path, file, visitor);
  file.Reread();
  visitor.entry(path, name, file);
}

}  // namespace

void Walk(const std::string& rootName, File& root, const WalkVisitor& visitor) {
  Visit(rootName, "", root, visitor);
}

}  // namespace tempinex::cli
