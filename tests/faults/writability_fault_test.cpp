// The writability test as the kernel decides it: a file this user cannot change as asked is
// refused before anything is written to it, the batch goes on, and a file whose write fails
// half-way is put back as it was.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "../system_call_faults.hpp"
#include "dos_attrib.hpp"
#include "fault_support.hpp"

namespace tempinex::faults {
namespace {

std::string Expect(bool condition, const std::string& what) {
  return condition ? std::string() : what + "; ";
}

std::string FailedAre(const FileSet& set, const std::vector<std::u16string>& expected) {
  return Expect(set.operate.GetFailedFiles() == expected, "the failed files are not as expected");
}

FileStatus ReadOnlyWithTime() {
  FileStatus status = WriteTimeOnly();
  status.attribute = platform::kAttrReadOnly | platform::kAttrArchive;
  return status;
}

// Everything of the file but its change time, which every write moves and nothing can set back.
EntryState WithoutChangeTime(const Snapshot& snapshot, const std::string& path) {
  EntryState state = snapshot.at(path);
  state.ctimeNs = 0;
  return state;
}

void MakeFile(const std::string& path, uid_t owner, mode_t mode) {
  WriteFile(path, "content");
  ASSERT_EQ(chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0) << path;
  ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

TEST(WritabilityFault, NobodyIsRefusedWhatOnlyTheOwnerMayDoAndTheBatchGoesOn) {
  const auto nobody = NobodyIds();
  if (!nobody || geteuid() != 0) {
    GTEST_SKIP() << "needs root and a user nobody";
  }
  FaultFolder folder;
  const std::string ownReadOnly = folder.Join("own-0444"), roots = folder.Join("roots-0666");
  const std::string own1 = folder.Join("own-1"), own2 = folder.Join("own-2");
  MakeFile(ownReadOnly, nobody->first, 0444);
  MakeFile(roots, 0, 0666);
  MakeFile(own1, nobody->first, 0644);
  MakeFile(own2, nobody->first, 0644);
  const Snapshot before = TakeSnapshot(folder.path);

  const ChildResult result = RunInChild(
      [&] {
        std::string report;
        FileSet set;
        // Times: the owner's business; root's writable file is refused, not an error.
        set.operate.SetFiles({U(ownReadOnly), U(roots), U(own1), U(own2)});
        try {
          report += Expect(!set.operate.ApplyStatus(WriteTimeOnly(), true), "apply succeeded");
          report += FailedAre(set, {U(ownReadOnly), U(roots)});
        } catch (const FileError&) {
          report += "the time batch stopped; ";
        }
        // Read-only: write permission would let user.DOSATTRIB through, the chmod would fail.
        set.operate.SetFiles({U(roots), U(own1)});
        try {
          report += Expect(!set.operate.ApplyStatus(ReadOnlyWithTime(), false), "apply succeeded");
          report += FailedAre(set, {U(roots)});
        } catch (const FileError&) {
          report += "the read-only batch stopped; ";
        }
        return report;
      },
      30, nobody->first);

  EXPECT_TRUE(result.finished) << result.report;
  EXPECT_EQ(result.report, "");
  const Snapshot after = TakeSnapshot(folder.path);
  EXPECT_EQ(Differences(before, after, {own1, own2}), std::vector<std::string>{});
  struct stat info {};
  ASSERT_EQ(stat(own2.c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, kNewWriteTime);
  ASSERT_EQ(stat(own1.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);
}

// A file with an inode flag set by chattr, taken off again at the end.
class FlaggedFile {
 public:
  // Read-only as well: only the flag, not the open for writing, can then refuse a change that
  // makes it writable.
  FlaggedFile(const std::string& path, int flag) : path(path) {
    WriteFile(path, "content");
    chmod(path.c_str(), 0444);
    const int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    error = fd < 0 || ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ? errno : 0;
    if (error == 0) {
      flags |= flag;
      error = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0 ? 0 : errno;
    }
    if (fd >= 0) {
      close(fd);
    }
  }
  ~FlaggedFile() {
    const int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags &= ~(FS_IMMUTABLE_FL | FS_APPEND_FL);
      ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0) {
      close(fd);
    }
  }
  FlaggedFile(const FlaggedFile&) = delete;
  FlaggedFile& operator=(const FlaggedFile&) = delete;
  std::string path;
  int error = 0;
};

// A folder where chattr works: the test's folder under /tmp, or else a small ext4 image
// mounted in it, unmounted at the end.
class FlagFolder {
 public:
  FlagFolder() : path(folder.path) {
    bool works = false;
    {
      FlaggedFile probe(folder.Join("probe"), FS_APPEND_FL);
      works = probe.error == 0;
    }
    unlink(folder.Join("probe").c_str());
    if (works) {
      return;
    }
    const std::string image = folder.Join("ext4.img");
    path = folder.Join("ext4");
    mkdir(path.c_str(), 0755);
    mounted = std::system(("truncate -s 8M " + image + " && mkfs.ext4 -q " + image +
                           " >/dev/null 2>&1 && mount -o loop " + image + " " + path)
                              .c_str()) == 0;
    if (!mounted) {
      refused = "chattr is refused under /tmp and no ext4 image could be mounted";
    }
  }
  ~FlagFolder() {
    if (mounted) {
      std::system(("umount " + path).c_str());
    }
  }
  FlagFolder(const FlagFolder&) = delete;
  FlagFolder& operator=(const FlagFolder&) = delete;
  std::string Join(const std::string& name) const { return path + "/" + name; }

  FaultFolder folder;
  std::string path, refused;
  bool mounted = false;
};

TEST(WritabilityFault, ImmutableAndAppendOnlyFilesAreRefusedEvenWhenReadOnlyIsCleared) {
  FlagFolder folder;
  if (!folder.refused.empty()) {
    GTEST_SKIP() << folder.refused;
  }
  const std::string plain = folder.Join("plain");
  WriteFile(plain, "content");
  FlaggedFile immutable(folder.Join("immutable"), FS_IMMUTABLE_FL);
  FlaggedFile appendOnly(folder.Join("append-only"), FS_APPEND_FL);
  ASSERT_EQ(immutable.error | appendOnly.error, 0) << std::strerror(immutable.error);
  const Snapshot before = TakeSnapshot(folder.path);
  FileSet set;
  for (const std::string& path : {immutable.path, appendOnly.path}) {
    set.operate.SetFiles({U(path)});
    FileStatus cleared = WriteTimeOnly();
    cleared.attribute = platform::kAttrArchive;  // the user cleared its read-only box
    EXPECT_NO_THROW(EXPECT_FALSE(set.operate.ApplyStatus(cleared, false, 0))) << path;
    EXPECT_EQ(set.operate.GetFailedFiles(), std::vector<std::u16string>{U(path)});
  }
  set.operate.SetFiles({U(immutable.path), U(appendOnly.path), U(plain)});
  EXPECT_NO_THROW(EXPECT_FALSE(set.operate.ApplyStatus(ReadOnlyWithTime(), false)));
  EXPECT_EQ(set.operate.GetFailedFiles(),
            (std::vector<std::u16string>{U(immutable.path), U(appendOnly.path)}));
  EXPECT_EQ(Differences(before, TakeSnapshot(folder.path), {plain}), std::vector<std::string>{});
}

TEST(WritabilityFault, FileWhoseModeChangeFailsAfterItsAttributeIsPutBack) {
  FaultFolder folder;
  const std::string tagged = folder.Join("tagged"), bare = folder.Join("bare");
  const std::string after = folder.Join("after");
  WriteFile(tagged, "content");
  WriteFile(bare, "content");
  WriteFile(after, "content");
  const std::string value = EncodeDosAttrib({platform::kAttrHidden | platform::kAttrArchive, 0});
  ASSERT_EQ(setxattr(tagged.c_str(), kDosAttribName, value.data(), value.size(), 0), 0);
  const Snapshot before = TakeSnapshot(folder.path);

  // Made read-only: the time and user.DOSATTRIB are written, then the chmod fails.
  for (const std::string& path : {tagged, bare}) {
    const ChildResult result = RunInChild(
        [&] {
          if (!testing_faults::FailSystemCalls({TEMPINEX_CHMOD_CALLS}, EIO)) {
            return std::string("no seccomp filter: ") + std::strerror(errno);
          }
          FileSet set;
          set.operate.SetFiles({U(path), U(after)});
          try {
            set.operate.ApplyStatus(ReadOnlyWithTime(), false);
            return std::string("apply succeeded");
          } catch (const FileError& error) {
            return Expect(error.path == U(path) && error.osError == EIO, "another error");
          }
        },
        30);
    EXPECT_TRUE(result.finished) << result.report;
    EXPECT_EQ(result.report, "") << path;
    const Snapshot now = TakeSnapshot(folder.path);
    EXPECT_EQ(WithoutChangeTime(now, path), WithoutChangeTime(before, path)) << path;
    EXPECT_EQ(now.at(after), before.at(after));  // the batch stopped before it
  }
}

TEST(WritabilityFault, FileThatCannotBePutBackIsReportedAsMaybeHalfWritten) {
  FaultFolder folder;
  const std::string path = folder.Join("plain");
  WriteFile(path, "content");
  // Made read-only and hidden: the time and a new user.DOSATTRIB are written, the chmod fails,
  // and the record cannot be taken away again.
  const ChildResult result = RunInChild(
      [&] {
        if (!testing_faults::FailSystemCalls(
                {TEMPINEX_CHMOD_CALLS, __NR_removexattr, __NR_lremovexattr, __NR_fremovexattr,
                 466 /* removexattrat */},
                EIO)) {
          return std::string("no seccomp filter: ") + std::strerror(errno);
        }
        FileSet set;
        set.operate.SetFiles({U(path)});
        FileStatus status = ReadOnlyWithTime();
        status.attribute |= platform::kAttrHidden;
        try {
          set.operate.ApplyStatus(status, false);
          return std::string("apply succeeded");
        } catch (const FileError& error) {
          return Expect(error.path == U(path) && error.osError == EIO, "another error") +
                 Expect(error.mayBeHalfWritten, "not reported as half-written");
        }
      },
      30);
  EXPECT_TRUE(result.finished) << result.report;
  EXPECT_EQ(result.report, "");
}

}  // namespace
}  // namespace tempinex::faults
