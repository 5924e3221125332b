#pragma once

// Names of files read from a list, as `find -print0` or `find -print` writes them: one a line,
// or each ended by a NUL so that a name may hold a newline.

#include <string>
#include <vector>

namespace tempinex::cli {

// Appends the names in source ("-" for standard input), separated by separator ('\n' or
// '\0'); empty names are passed over. False, with why set, when source cannot be read.
bool ReadListedNames(const std::string& source, char separator, std::vector<std::string>& names,
                     std::string& why);

}  // namespace tempinex::cli
