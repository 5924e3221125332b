#pragma once

// The recursive walk of --recursive: a folder, then everything below it, each folder before
// its contents and the names of a folder in byte order. Symbolic links met below the folder
// given are never followed (nor changed: they are passed over), so the walk stays in the tree.

#include <functional>
#include <string>

namespace tempinex::cli {

struct WalkVisitor {
  std::function<void(const std::string& path, bool isFolder)> entry;
  std::function<void(const std::string& folder, int error)> unreadable;
};

void Walk(const std::string& root, const WalkVisitor& visitor);

}  // namespace tempinex::cli
