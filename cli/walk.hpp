#pragma once

// The walk of --recursive and --from-tree: a folder, everything below it, then the folder
// itself, so that a folder's own times are set after its contents and listing them does not
// move them again; the names of a folder in byte order. It walks by descriptor: each entry is
// opened relative to the folder it was listed in, as itself, so that a symbolic link met below
// the folder given, whenever it appears there, is never followed (it is passed over, or with
// `links` taken as itself) and the walk stays in the tree.

#include <functional>
#include <string>

#include "core_access.hpp"

namespace tempinex::cli {

struct WalkVisitor {
  // A folder, before its contents; false passes over it and everything below it. `name` is
  // its name in its folder, empty for the root.
  std::function<bool(const std::string& path, const std::string& name, File& folder)> enter;
  // Every other entry of the tree, and each folder entered once its contents are done (read
  // again then, as listing them moved its last access time).
  std::function<void(const std::string& path, const std::string& name, File& file)> entry;
  // A folder that could not be listed, or an entry that could not be opened.
  std::function<void(const std::string& path, int error)> unreadable;
  bool links = false;  // symbolic links below the root are visited as themselves
};

// Walks the tree whose root, named rootName, is open as root.
void Walk(const std::string& rootName, File& root, const WalkVisitor& visitor);

}  // namespace tempinex::cli
