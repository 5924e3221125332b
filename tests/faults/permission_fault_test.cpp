// Files the program may read but not write: owned by root and seen by `nobody`, or behind a
// read-only mount. Every refused file is reported, nothing on the disk changes.

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "fault_support.hpp"

namespace tempinex::faults {
namespace {

std::string Expect(bool condition, const std::string& what) {
  return condition ? std::string() : what + "; ";
}

bool Mentions(const std::vector<std::u16string>& shown, const std::u16string& part) {
  for (const std::u16string& text : shown) {
    if (text.find(part) != std::u16string::npos) {
      return true;
    }
  }
  return false;
}

// What the core does with two files it may not write and a rename it may not make, checked
// from inside the process that runs it. `folder` holds a and b.
std::string RefusedEverywhere(const std::string& folder) {
  std::string report;
  FileSet set;
  const std::u16string a = U(folder + "/a"), b = U(folder + "/b");
  set.operate.SetFiles({a, b});
  const FileStatus read = set.operate.GetFileStatus(0);
  report += Expect(read.size == 5, "the file was not readable");
  report += Expect(!set.operate.ApplyStatus(WriteTimeOnly(), true), "apply did not fail");
  report += Expect(set.operate.GetFailedFiles() == std::vector<std::u16string>{a, b},
                   "failed files are not a and b");
  set.operate.ReportFailures();
  report +=
      Expect(set.messages.shown.size() == 1 && Mentions(set.messages.shown, a) &&
                 Mentions(set.messages.shown, b) && Mentions(set.messages.shown, kFailureText),
             "the failure report does not name both files");

  FileStatus hidden = WriteTimeOnly();
  hidden.attribute = platform::kAttrHidden;
  try {
    WriteFileStatus(a, hidden, false);
    report += "a direct write succeeded; ";
  } catch (const FileError& error) {
    report += Expect(error.osError != 0 && error.cause != ErrorCause::kNone,
                     "the FileError carries no cause");
  }

  set.operate.SetFiles({a});
  set.operate.RenameFile(U(folder + "/renamed"));
  report += Expect(set.messages.shown.size() == 2 && Mentions(set.messages.shown, u"renamed") &&
                       Mentions(set.messages.shown, kRenameFailureCaption),
                   "the refused rename was not told");
  report += Expect(set.operate.GetCurrentPath() == a, "the current path moved");
  return report;
}

void MakeTwoFiles(const FaultFolder& folder) {
  WriteFile(folder.Join("a"), "alpha");
  WriteFile(folder.Join("b"), "bravo");
  WriteFile(folder.Join("untouched"), "other");
}

TEST(PermissionFault, NobodyIsRefusedOnRootsFilesAndToldSo) {
  const auto nobody = NobodyIds();
  if (!nobody) {
    GTEST_SKIP() << "this machine has no user nobody";
  }
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to own the files and to become nobody";
  }
  FaultFolder folder;
  MakeTwoFiles(folder);
  const Snapshot before = TakeSnapshot(folder.path);

  const ChildResult result =
      RunInChild([&] { return RefusedEverywhere(folder.path); }, 30, nobody->first);

  EXPECT_TRUE(result.finished) << result.report;
  EXPECT_EQ(result.report, "");
  EXPECT_EQ(Differences(before, TakeSnapshot(folder.path)), std::vector<std::string>{});
}

TEST(PermissionFault, ReadOnlyMountRefusesEveryWriteAndTellsIt) {
  FaultFolder folder;
  const std::string source = folder.Join("source"), view = folder.Join("view");
  mkdir(source.c_str(), 0755);
  mkdir(view.c_str(), 0755);
  WriteFile(source + "/a", "alpha");
  WriteFile(source + "/b", "bravo");
  WriteFile(source + "/untouched", "other");
  std::optional<ScopedMount> mount;
  if (const int error = BindReadOnly(source, view, mount)) {
    GTEST_SKIP() << "a read-only bind mount was refused: " << std::strerror(error);
  }
  const Snapshot before = TakeSnapshot(source);

  const ChildResult result = RunInChild([&] { return RefusedEverywhere(view); }, 30);

  EXPECT_TRUE(result.finished) << result.report;
  EXPECT_EQ(result.report, "");
  EXPECT_EQ(Differences(before, TakeSnapshot(source)), std::vector<std::string>{});
}

}  // namespace
}  // namespace tempinex::faults
