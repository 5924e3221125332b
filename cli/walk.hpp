#pragma once

// The recursive walk of --recursive: a folder, then everything below it, each folder before
// its contents and the names of a folder in byte order. It walks by descriptor: each entry is
// opened relative to the folder it was listed in, as itself, so that a symbolic link met below
// the folder given, whenever it appears there, is neither followed nor changed (it is passed
// over) and the walk stays in the tree.

#include <functional>
#include <string>

#include "core_access.hpp"

namespace tempinex::cli {

struct WalkVisitor {
  // Every file and folder of the tree, the root first, as opened.
  std::function<void(const std::string& path, File& file)> entry;
  // A folder that could not be listed, or an entry that could not be opened.
  std::function<void(const std::string& path, int error)> unreadable;
};

// Walks the tree whose root, named rootName, is open as root.
void Walk(const std::string& rootName, File& root, const WalkVisitor& visitor);

}  // namespace tempinex::cli
