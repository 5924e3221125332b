#pragma once

// The command line: `tempinex [show] [--json] FILE...`, `tempinex set OPTIONS FILE...` and
// `tempinex undo LOG`, read with CLI11; the names of files may also come from a list
// (--files-from, -0).

#include <optional>
#include <string>
#include <vector>

#include "set_plan.hpp"

namespace tempinex::cli {

enum class Command { kShow, kSet, kUndo };

struct Arguments {
  Command command = Command::kShow;
  std::vector<std::string> files;  // as given, then as listed; bytes
  bool json = false;
  // set
  SetOptions set;
  std::optional<std::string> reference;  // --from
  std::optional<std::string> fromTree;   // --from-tree: the original tree
  bool withAttributes = false;
  bool fromExif = false;
  bool recursive = false;
  bool noDereference = false;  // -h: a symbolic link named or met is changed itself
  bool dryRun = false;
  std::optional<std::string> undoLog;
};

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// The arguments, or nothing once --help or --version has been answered or a usage error
// reported; exitStatus then says how the program ends.
std::optional<Arguments> ParseArguments(int argc, char** argv, int& exitStatus);

}  // namespace tempinex::cli
