#pragma once

#include <string>
#include <vector>

namespace tempinex::qt {

// The full path of the running program file, as the system names it.
std::u16string ProgramFilePath();

// The arguments after the program name, decoded from their bytes as file names.
std::vector<std::u16string> CommandLinePaths(int argc, char** argv);

}  // namespace tempinex::qt
