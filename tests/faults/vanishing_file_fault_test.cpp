// Files that change between the moment the program loads them and the moment it writes:
// deleted, replaced by a FIFO (which an open for writing could wait on forever), or deleted
// right after the writability test. Each is reported; no file is created or changed.

#include <sys/stat.h>
#include <unistd.h>

#include "fault_support.hpp"

namespace tempinex::faults {
namespace {

class VanishingFile : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b", "c", "untouched"}) {
      WriteFile(folder.Join(name), std::string("contents of ") + name);
    }
    set.operate.SetFiles({U(folder.Join("a")), U(folder.Join("b")), U(folder.Join("c"))});
  }

  // Applies a new write time to the set; b is expected to be refused, a and c written.
  void ApplyExpectingBRefused() {
    const Snapshot before = TakeSnapshot(folder.path);
    const ChildResult result = RunInChild(
        [&] {
          FileSet child;
          child.operate.SetFiles({U(folder.Join("a")), U(folder.Join("b")), U(folder.Join("c"))});
          if (child.operate.ApplyStatus(WriteTimeOnly(), true)) {
            return std::string("apply reported success");
          }
          if (child.operate.GetFailedFiles() != std::vector<std::u16string>{U(folder.Join("b"))}) {
            return std::string("the failed files are not just b");
          }
          child.operate.ReportFailures();
          if (child.messages.shown.size() != 1 ||
              child.messages.shown[0].find(U(folder.Join("b"))) == std::u16string::npos) {
            return std::string("b was not reported");
          }
          return std::string();
        },
        20);
    EXPECT_TRUE(result.finished) << "hung or crashed: " << result.report;
    EXPECT_EQ(result.report, "");
    for (const char* written : {"a", "c"}) {
      struct stat info;
      ASSERT_EQ(stat(folder.Join(written).c_str(), &info), 0);
      EXPECT_EQ(info.st_mtime, kNewWriteTime) << written;
    }
    EXPECT_EQ(Differences(before, TakeSnapshot(folder.path), {folder.Join("a"), folder.Join("c")}),
              std::vector<std::string>{});
  }

  FaultFolder folder;
  FileSet set;
};

TEST_F(VanishingFile, DeletedAfterLoadIsReportedAndNotRecreated) {
  ASSERT_EQ(unlink(folder.Join("b").c_str()), 0);
  ApplyExpectingBRefused();
  EXPECT_NE(access(folder.Join("b").c_str(), F_OK), 0);
}

TEST_F(VanishingFile, ReplacedByFifoIsReportedWithoutWaiting) {
  ASSERT_EQ(unlink(folder.Join("b").c_str()), 0);
  ASSERT_EQ(mkfifo(folder.Join("b").c_str(), 0666), 0);
  ApplyExpectingBRefused();
  struct stat info;
  ASSERT_EQ(lstat(folder.Join("b").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(VanishingFile, SingleFileDeletedAfterLoadIsReported) {
  set.operate.SetFiles({U(folder.Join("b"))});
  ASSERT_EQ(unlink(folder.Join("b").c_str()), 0);
  const Snapshot before = TakeSnapshot(folder.path);
  EXPECT_FALSE(set.operate.ApplyStatus(WriteTimeOnly(), true));
  set.operate.ReportFailures();
  ASSERT_EQ(set.messages.shown.size(), 1u);
  EXPECT_NE(set.messages.shown[0].find(U(folder.Join("b"))), std::u16string::npos);
  EXPECT_EQ(Differences(before, TakeSnapshot(folder.path)), std::vector<std::string>{});
}

// Gone after the writability test: each kind of write raises FileError with "not found" and
// creates nothing in its place.
TEST_F(VanishingFile, DeletedBetweenProbeAndWriteRaisesNotFound) {
  const std::u16string b = U(folder.Join("b"));
  FileStatus attributes;
  attributes.attribute = platform::kAttrHidden;
  FileStatus created;
  created.created = kNewWriteTime;
  const struct {
    const char* what;
    FileStatus status;
    bool leaveAttributes;
  } cases[] = {{"write time", WriteTimeOnly(), true},
               {"attributes", attributes, false},
               {"creation time", created, true}};
  for (const auto& each : cases) {
    SCOPED_TRACE(each.what);
    WriteFile(folder.Join("b"), "contents of b");
    ASSERT_TRUE(set.operate.ProbeWritable(b));
    ASSERT_EQ(unlink(folder.Join("b").c_str()), 0);
    const Snapshot before = TakeSnapshot(folder.path);
    try {
      WriteFileStatus(b, each.status, each.leaveAttributes);
      ADD_FAILURE() << "the write reported success";
    } catch (const FileError& error) {
      EXPECT_EQ(error.cause, ErrorCause::kFileNotFound);
    }
    EXPECT_EQ(Differences(before, TakeSnapshot(folder.path)), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace tempinex::faults
