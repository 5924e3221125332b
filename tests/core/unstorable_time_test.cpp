// A time the file system cannot store: ext2 with 128-byte inodes keeps 32-bit seconds
// (1901-12-13 to 2038-01-19) and silently clamps any other time to that range. The change is
// refused with ERANGE and the file put back, never left clamped.

#include <sys/mount.h>

#include <cstdlib>

#include "test_support.hpp"

namespace tempinex {
namespace {

using support::TempFolder;
using support::U;

// An ext2 volume of 128-byte inodes mounted on a loop device for the life of the object; not
// mounted where this user may not mount or mkfs is missing.
class SmallInodeVolume {
 public:
  SmallInodeVolume() {
    const std::string image = folder.Join("ext2.img");
    const std::string command = "truncate -s 4M " + image + " && mkfs.ext2 -q -I 128 " + image +
                                " >/dev/null 2>&1 && mkdir " + folder.Join("mnt") +
                                " && mount -o loop " + image + " " + folder.Join("mnt") +
                                " 2>/dev/null";
    mounted = geteuid() == 0 && std::system(command.c_str()) == 0;
  }
  ~SmallInodeVolume() {
    if (mounted) {
      umount(folder.Join("mnt").c_str());
    }
  }
  SmallInodeVolume(const SmallInodeVolume&) = delete;
  SmallInodeVolume& operator=(const SmallInodeVolume&) = delete;

  std::string Join(const std::string& name) const { return folder.Join("mnt/" + name); }

  TempFolder folder;
  bool mounted = false;
};

ChangeOutcome SetLastWrite(const std::string& path, std::int64_t seconds) {
  std::unique_ptr<platform::OpenFile> file;
  EXPECT_EQ(platform::OpenFileAt(U(path), platform::LinkRule::kFollow, file), 0) << path;
  platform::Change change;
  change.lastWrite = PreciseTime{seconds, 250'000'000};
  return ApplyChange(*file, change);
}

TEST(UnstorableTime, ClampedTimesAreRefusedAndPutBackKeptOnesWritten) {
  const SmallInodeVolume volume;
  if (!volume.mounted) {
    GTEST_SKIP() << "cannot make and mount an ext2 volume here (root, mkfs.ext2, loop)";
  }
  const std::string path = volume.Join("f");
  support::WriteFile(path, "data");
  support::SetTimes(path, {999'999'999, 0}, {1'000'000'000, 0});
  // 2050 and 1800 are clamped to the ends of 32-bit seconds by this volume.
  for (const std::int64_t seconds : {2'524'608'000LL, -5'364'662'400LL}) {
    const ChangeOutcome outcome = SetLastWrite(path, seconds);
    EXPECT_EQ(outcome.error, ERANGE) << seconds;
    EXPECT_EQ(outcome.restoreError, 0);
    const struct stat info = support::StatOf(path);
    EXPECT_EQ(info.st_mtim.tv_sec, 1'000'000'000) << seconds;
    EXPECT_EQ(info.st_atim.tv_sec, 999'999'999);
  }
  // 1970, outside the years every file system keeps, is read back and found kept, to the
  // whole second these inodes hold.
  const ChangeOutcome kept = SetLastWrite(path, 86'400);
  EXPECT_EQ(kept.error, 0);
  EXPECT_EQ(support::StatOf(path).st_mtim.tv_sec, 86'400);
}

}  // namespace
}  // namespace tempinex
