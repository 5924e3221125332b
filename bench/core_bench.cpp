// Times the file set's batch apply and status reads over the files of a folder.
//   core_bench apply|times|read FOLDER COUNT [ATTRIBUTE]
// apply writes the three times and the attribute byte; times writes the last-write and
// last-access times alone, which is what touch does. The files are FOLDER/f000000 ... in
// name order; prints the wall time in seconds.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_name.hpp"
#include "file_operate.hpp"

namespace {

class QuietShell : public tempinex::IShellInfo {
 public:
  std::u16string DisplayName(const std::u16string&) override { return {}; }
  std::u16string TypeName(const std::u16string&) override { return {}; }
};

class CountingMessages : public tempinex::IMessageBox {
 public:
  void ShowMessage(const std::u16string&, const std::u16string&, tempinex::MessageIcon,
                   bool) override {
    ++shown;
  }
  int shown = 0;
};

std::vector<std::u16string> FilesOf(const std::string& folder, int count) {
  std::vector<std::u16string> paths;
  char name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "/f%06d", i);
    paths.push_back(tempinex::DecodeFileName(folder + name));
  }
  return paths;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s apply|times|read FOLDER COUNT [ATTRIBUTE]\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  QuietShell shell;
  CountingMessages messages;
  tempinex::CFileOperate set(shell, messages);
  set.SetFiles(FilesOf(argv[2], std::atoi(argv[3])));

  const auto start = std::chrono::steady_clock::now();
  std::uint64_t checksum = 0;
  if (mode == "apply") {
    tempinex::FileStatus status;
    status.created = 1'500'000'000;
    status.modified = 1'600'000'000;
    status.accessed = 1'650'000'000;
    // Alternate runs pass 0x22 and 0x20, so that every run changes every file's attributes.
    status.attribute =
        static_cast<std::uint8_t>(argc > 4 ? std::strtol(argv[4], nullptr, 0) : 0x22);
    if (!set.ApplyStatus(status, false)) {
      std::fprintf(stderr, "%zu files refused\n", set.GetFailedFiles().size());
      return 1;
    }
  } else if (mode == "times") {
    tempinex::FileStatus status;
    status.modified = 1'600'000'000;
    status.accessed = 1'650'000'000;
    if (!set.ApplyStatus(status, true)) {
      std::fprintf(stderr, "%zu files refused\n", set.GetFailedFiles().size());
      return 1;
    }
  } else {
    for (int i = 0; i < set.GetCount(); ++i) {
      const tempinex::FileStatus status = set.GetFileStatus(i);
      checksum += static_cast<std::uint64_t>(status.modified) + status.size + status.attribute;
    }
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", elapsed.count());
  std::fprintf(stderr, "checksum %llu\n", static_cast<unsigned long long>(checksum));
  return 0;
}
