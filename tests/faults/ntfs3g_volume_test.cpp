// A real NTFS volume through ntfs-3g: attributes and times land where Windows reads them, and
// survive a fresh mount; values written by other tools are what the program shows.

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "fault_support.hpp"
#include "file_time.hpp"

namespace tempinex::faults {
namespace {

std::uint64_t NtTime(StatusTime seconds) {
  return FileTimeFromPrecise({seconds, 0});
}

bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A 64 MB NTFS image mounted through ntfs-3g in a folder of its own; unmounted at the end.
class NtfsVolume {
 public:
  NtfsVolume() {
    image = folder.Join("ntfs.img");
    root = folder.Join("mnt");
    mkdir(root.c_str(), 0755);
    if (access("/dev/fuse", F_OK) != 0) {
      refused = "no /dev/fuse";
    } else if (!Shell("truncate -s 64M " + image + " && mkntfs -F -Q -L TEST " + image)) {
      refused = "mkntfs failed (package ntfs-3g)";
    } else if (!Mount()) {
      refused = "ntfs-3g would not mount the image";
    }
  }
  ~NtfsVolume() { Unmount(); }
  NtfsVolume(const NtfsVolume&) = delete;
  NtfsVolume& operator=(const NtfsVolume&) = delete;

  bool Mount() { return mounted = Shell("ntfs-3g " + image + " " + root); }
  void Unmount() {
    if (mounted) {
      Shell("umount " + root);
      mounted = false;
    }
  }
  std::string Join(const std::string& name) const { return root + "/" + name; }

  FaultFolder folder;
  std::string image, root, refused;
  bool mounted = false;
};

std::uint32_t NtfsAttrib(const std::string& path) {
  std::uint32_t word = 0;
  EXPECT_EQ(getxattr(path.c_str(), "system.ntfs_attrib", &word, sizeof word), 4) << path;
  return word;
}

// Creation, last write, last access.
std::array<std::uint64_t, 3> NtfsTimes(const std::string& path) {
  std::uint64_t times[4] = {};
  EXPECT_EQ(getxattr(path.c_str(), "system.ntfs_times", times, sizeof times), 32) << path;
  return {times[0], times[1], times[2]};
}

TEST(Ntfs3gVolume, AttributesAndTimesAreTheVolumesOwnAndSurviveARemount) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to mount";
  }
  NtfsVolume volume;
  if (!volume.refused.empty()) {
    GTEST_SKIP() << volume.refused;
  }
  const std::string file = volume.Join("file.txt"), empty = volume.Join("empty");
  WriteFile(file, "contents");
  WriteFile(empty, "");

  FileStatus status;
  status.created = 1000000000;   // 2001-09-09 01:46:40 UTC
  status.modified = 1100000000;  // 2004-11-09
  status.accessed = 1200000000;  // 2008-01-10
  status.attribute = platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem |
                     platform::kAttrArchive;
  FileSet set;
  set.operate.SetFiles({U(file)});
  EXPECT_TRUE(set.operate.ApplyStatus(status, false));

  // System without hidden would make the empty file a FIFO: refused, listed, left regular.
  FileStatus system;
  system.attribute = platform::kAttrSystem;
  set.operate.SetFiles({U(empty)});
  EXPECT_FALSE(set.operate.ApplyStatus(system, false));
  EXPECT_EQ(set.operate.GetFailedFiles(), std::vector<std::u16string>{U(empty)});

  for (const bool remounted : {false, true}) {
    SCOPED_TRACE(remounted ? "after a fresh mount" : "as written");
    if (remounted) {
      volume.Unmount();
      ASSERT_TRUE(volume.Mount());
    }
    EXPECT_EQ(NtfsAttrib(file), 0x27u);
    EXPECT_EQ(NtfsTimes(file),
              (std::array<std::uint64_t, 3>{NtTime(status.created), NtTime(status.modified),
                                            NtTime(status.accessed)}));
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, status.modified);
    EXPECT_EQ(info.st_atime, status.accessed);
    ASSERT_EQ(lstat(empty.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(NtfsAttrib(empty) & platform::kAttrSystem, 0u);
  }
  const FileStatus shown = set.operate.GetFileStatus(0);  // the set now holds `empty`
  set.operate.SetFiles({U(file)});
  EXPECT_EQ(set.operate.GetFileStatus(0).attribute, 0x27);
  EXPECT_EQ(set.operate.GetFileStatus(0).created, status.created);
  EXPECT_NE(shown.attribute & platform::kAttrArchive, 0);

  // The read-only bit alone keeps the file from a change, until the user clears it.
  FileStatus cleared;
  cleared.attribute = platform::kAttrArchive;
  EXPECT_FALSE(set.operate.ApplyStatus(cleared, false));
  EXPECT_EQ(NtfsAttrib(file), 0x27u);
  EXPECT_TRUE(set.operate.ApplyStatus(cleared, false, 0));
  EXPECT_EQ(NtfsAttrib(file), 0x20u);

  // Written by hand, shown as written.
  ASSERT_TRUE(Shell("setfattr -n system.ntfs_attrib -v 0x06000000 " + file));
  const std::uint64_t crtime = NtTime(1300000000);
  ASSERT_EQ(setxattr(file.c_str(), "system.ntfs_crtime", &crtime, sizeof crtime, 0), 0);
  const FileStatus read = set.operate.GetFileStatus(0);
  EXPECT_EQ(read.attribute, 0x06);
  EXPECT_EQ(read.created, 1300000000);
}

}  // namespace
}  // namespace tempinex::faults
