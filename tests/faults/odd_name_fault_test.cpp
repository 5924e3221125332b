// Names a shell or a converter could trip over, names at the length limit, and symbolic links
// of every kind: each file is read, written and renamed as itself, and nothing else changes.

#include <sys/stat.h>
#include <unistd.h>

#include "fault_support.hpp"

namespace tempinex::faults {
namespace {

std::int64_t WriteTimeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mtime : -1;
}

TEST(OddNameFault, EveryOddNameIsReadWrittenAndRenamedAsItself) {
  const std::string names[] = {
      "\xFF\xFE.txt",      // not UTF-8 at all
      "caf\xC3.txt",       // a sequence cut short
      "line\nbreak.txt",   // a newline
      "-rf",               // looks like an option
      "--",                // so does this
      " lead and trail ",  // spaces at both ends
      "tab\there",
      "\xE6\x97\xA5\xE6\x9C\xAC\xF0\x9F\x98\x80",  // Japanese and a non-BMP character
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(testing::PrintToString(name));
    FaultFolder folder;
    const std::string path = folder.Join(name);
    WriteFile(path, "payload " + name);
    WriteFile(folder.Join("neighbour"), "neighbour");
    const Snapshot before = TakeSnapshot(folder.path);

    FileSet set;
    set.operate.SetFiles({U(path)});
    EXPECT_EQ(set.operate.GetFileStatus(0).size, 8 + name.size());
    EXPECT_TRUE(set.operate.ApplyStatus(WriteTimeOnly(), true));
    EXPECT_EQ(WriteTimeOf(path), kNewWriteTime);
    EXPECT_EQ(Differences(before, TakeSnapshot(folder.path), {path}), std::vector<std::string>{});

    const std::string renamed = folder.Join(name + "\n\xFF renamed");
    set.operate.RenameFile(U(renamed));
    EXPECT_TRUE(set.messages.shown.empty()) << Narrow(set.messages.shown.at(0));
    EXPECT_EQ(set.operate.GetCurrentPath(), U(renamed));
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    const Snapshot after = TakeSnapshot(folder.path);
    ASSERT_EQ(after.count(renamed), 1u);
    EXPECT_EQ(after.at(renamed).contents, "payload " + name);
    EXPECT_EQ(Differences(before, after, {path, renamed, folder.path}), std::vector<std::string>{});
  }
}

// The longest path is 259 UTF-16 units; one more is refused and told, never cut short.
TEST(OddNameFault, PathsOf259UnitsWorkAnd260AreRefused) {
  FaultFolder folder;
  const std::size_t prefix = folder.path.size() + 1;
  ASSERT_LT(prefix + 20, 259u);
  // Half of the name is one non-BMP character (two units, four bytes) repeated.
  const auto nameOf = [&](std::size_t units) {
    std::string name;
    std::size_t left = units - prefix;
    for (; left > 2 && name.size() < 20; left -= 2) {
      name += "\xF0\x9F\x98\x80";
    }
    return name + std::string(left, 'n');
  };
  const std::string longest = folder.Join(nameOf(259)), tooLong = folder.Join(nameOf(260));
  ASSERT_EQ(U(longest).size(), 259u);
  ASSERT_EQ(U(tooLong).size(), 260u);
  WriteFile(longest, "259");
  WriteFile(tooLong, "260");
  const Snapshot before = TakeSnapshot(folder.path);

  FileSet set;
  set.operate.SetFiles({U(longest), U(tooLong)});
  EXPECT_EQ(set.operate.GetFileStatus(0).size, 3u);
  EXPECT_EQ(FullPathOf(set.operate.GetFileStatus(0)), U(longest));
  EXPECT_FALSE(set.operate.ApplyStatus(WriteTimeOnly(), true));
  EXPECT_EQ(set.operate.GetFailedFiles(), std::vector<std::u16string>{U(tooLong)});
  set.operate.ReportFailures();
  ASSERT_EQ(set.messages.shown.size(), 1u);
  EXPECT_NE(set.messages.shown[0].find(U(tooLong)), std::u16string::npos);
  EXPECT_EQ(WriteTimeOf(longest), kNewWriteTime);
  EXPECT_EQ(Differences(before, TakeSnapshot(folder.path), {longest}), std::vector<std::string>{});

  // Renaming the 259-unit file to a 260-unit name is refused and told.
  const Snapshot beforeRename = TakeSnapshot(folder.path);
  set.operate.SetFiles({U(longest)});
  const std::string longer = folder.Join(nameOf(260).replace(0, 4, "\xF0\x9F\x98\x81"));
  set.operate.RenameFile(U(longer));
  EXPECT_EQ(set.messages.shown.size(), 2u);
  EXPECT_EQ(set.operate.GetCurrentPath(), U(longest));
  EXPECT_EQ(Differences(beforeRename, TakeSnapshot(folder.path)), std::vector<std::string>{});
}

class SymbolicLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(folder.Join("target"), "target");
    mkdir(folder.Join("dir").c_str(), 0755);
    WriteFile(folder.Join("dir/inside"), "inside");
    symlink("target", folder.Join("to-file").c_str());
    symlink("dir", folder.Join("to-dir").c_str());
    symlink("missing", folder.Join("dangling").c_str());
    symlink("loop-b", folder.Join("loop-a").c_str());
    symlink("loop-a", folder.Join("loop-b").c_str());
  }
  FaultFolder folder;
};

// A link to a file stands for that file, as opening it does everywhere: the write reaches the
// target and leaves the link itself alone.
TEST_F(SymbolicLinks, LinkToFileWritesItsTargetOnly) {
  const Snapshot before = TakeSnapshot(folder.path);
  FileSet set;
  set.operate.SetFiles({U(folder.Join("to-file"))});
  EXPECT_EQ(set.operate.GetFileStatus(0).size, 6u);
  EXPECT_TRUE(set.operate.ApplyStatus(WriteTimeOnly(), true));
  EXPECT_EQ(WriteTimeOf(folder.Join("target")), kNewWriteTime);
  EXPECT_EQ(Differences(before, TakeSnapshot(folder.path), {folder.Join("target")}),
            std::vector<std::string>{});
}

TEST_F(SymbolicLinks, LinksThatLeadToNoFileAreReported) {
  for (const char* name : {"to-dir", "dangling", "loop-a"}) {
    SCOPED_TRACE(name);
    const Snapshot before = TakeSnapshot(folder.path);
    const ChildResult result = RunInChild(
        [&] {
          FileSet set;
          set.operate.SetFiles({U(folder.Join(name)), U(folder.Join("target"))});
          (void)set.operate.GetFileStatus(0);
          FileStatus status = WriteTimeOnly();
          status.attribute = platform::kAttrHidden;
          if (set.operate.ApplyStatus(status, false)) {
            return std::string("apply reported success");
          }
          if (set.operate.GetFailedFiles() != std::vector<std::u16string>{U(folder.Join(name))}) {
            return std::string("the failed files are not just the link");
          }
          set.operate.ReportFailures();
          return set.messages.shown.size() == 1 ? std::string() : std::string("not reported");
        },
        20);
    EXPECT_TRUE(result.finished) << "hung or crashed: " << result.report;
    EXPECT_EQ(result.report, "");
    EXPECT_EQ(Differences(before, TakeSnapshot(folder.path), {folder.Join("target")}),
              std::vector<std::string>{});
  }
}

// Renaming renames the link, never what it points to.
TEST_F(SymbolicLinks, RenameMovesTheLinkItself) {
  for (const char* name : {"to-file", "to-dir", "dangling", "loop-a"}) {
    SCOPED_TRACE(name);
    const Snapshot before = TakeSnapshot(folder.path);
    const std::string from = folder.Join(name), to = folder.Join(std::string(name) + "-moved");
    FileSet set;
    set.operate.SetFiles({U(from)});
    set.operate.RenameFile(U(to));
    EXPECT_TRUE(set.messages.shown.empty());
    const Snapshot after = TakeSnapshot(folder.path);
    ASSERT_EQ(after.count(to), 1u);
    EXPECT_EQ(after.at(to).contents, before.at(from).contents);
    EXPECT_TRUE(S_ISLNK(after.at(to).mode));
    EXPECT_EQ(Differences(before, after, {from, to, folder.path}), std::vector<std::string>{});
    ASSERT_EQ(rename(to.c_str(), from.c_str()), 0);
  }
}

}  // namespace
}  // namespace tempinex::faults
