#include "program_path.hpp"

#include <filesystem>
#include <system_error>

#include "file_name.hpp"

namespace tempinex::qt {

std::u16string ProgramFilePath() {
  // The link names the file that was started, under whatever name it bears now.
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return u"Tempinex64";
  }
  return DecodeFileName(self.native());
}

std::vector<std::u16string> CommandLinePaths(int argc, char** argv) {
  std::vector<std::u16string> paths;
  for (int i = 1; i < argc; ++i) {
    paths.push_back(DecodeFileName(argv[i]));
  }
  return paths;
}

}  // namespace tempinex::qt
