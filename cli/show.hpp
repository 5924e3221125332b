#pragma once

// `tempinex show`: the three times, the attributes, the size and the path of each file, as
// text or as one JSON object a line.

#include <string>
#include <vector>

#include "core_access.hpp"

namespace tempinex::cli {

int RunShow(const std::vector<std::string>& files, bool json);

// The labelled lines of one file's state, indented, as show and --dry-run print them.
std::string StateLine(const char* label, const std::string& value);

std::string TimeOrUnknown(FileTime time);

}  // namespace tempinex::cli
