#include "walk.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tempinex::cli {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

struct Child {
  std::string name;
  bool isFolder = false;
  bool isLink = false;
};

// The entries of folder, without "." and "..", sorted; the type from lstat where the folder
// listing does not tell it.
int List(const std::string& folder, std::vector<Child>& children) {
  DIR* stream = opendir(folder.c_str());
  if (stream == nullptr) {
    return errno;
  }
  errno = 0;
  while (const dirent* entry = readdir(stream)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    Child child{name, entry->d_type == DT_DIR, entry->d_type == DT_LNK};
    if (entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      if (fstatat(dirfd(stream), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        child.isFolder = S_ISDIR(info.st_mode);
        child.isLink = S_ISLNK(info.st_mode);
      }
    }
    children.push_back(std::move(child));
  }
  const int error = errno;
  closedir(stream);
  std::sort(children.begin(), children.end(),
            [](const Child& a, const Child& b) { return a.name < b.name; });
  return error;
}

void WalkFolder(const std::string& folder, const WalkVisitor& visitor) {
  visitor.entry(folder, true);
  std::vector<Child> children;
  if (const int error = List(folder, children); error != 0) {
    visitor.unreadable(folder, error);
  }
  for (const Child& child : children) {
    const std::string path = Join(folder, child.name);
    if (child.isLink) {
      continue;
    }
    if (child.isFolder) {
      WalkFolder(path, visitor);
    } else {
      visitor.entry(path, false);
    }
  }
}

}  // namespace

void Walk(const std::string& root, const WalkVisitor& visitor) {
  struct stat info {};
  // The path given is taken as the user named it, a link to a folder included.
  if (stat(root.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    WalkFolder(root, visitor);
  } else {
    visitor.entry(root, false);
  }
}

}  // namespace tempinex::cli
