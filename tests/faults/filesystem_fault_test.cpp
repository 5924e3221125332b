// File systems that cannot keep what the program writes: ramfs has no user extended
// attributes, and a full tmpfs has no room for one more. Attribute and creation-time writes
// must fail with a FileError; time writes must still work; nothing else may change.

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "dos_attrib.hpp"
#include "fault_support.hpp"

namespace tempinex::faults {
namespace {

struct Mounted {
  FaultFolder folder;
  std::string root;
  std::optional<ScopedMount> mount;
};

// Mounts `type` on a fresh folder; the reason when the machine refuses.
std::string MountFresh(Mounted& place, const std::string& type, const std::string& options) {
  place.root = place.folder.Join("mnt");
  mkdir(place.root.c_str(), 0755);
  place.mount.emplace(type, place.root, type, 0, options);
  if (place.mount->error != 0) {
    return "mounting " + type + " was refused: " + std::strerror(place.mount->error);
  }
  return {};
}

FileStatus AttributesOnly(std::uint8_t attribute) {
  FileStatus status;
  status.attribute = attribute;
  return status;
}

FileStatus CreationOnly() {
  FileStatus status;
  status.created = kNewWriteTime;
  return status;
}

// Writes that need user.DOSATTRIB: each must fail and leave the file as it was. Where the
// volume says beforehand that it keeps no extended attributes (refusedBeforehand), the file set
// lists the file and goes on; where only the write finds out, the error names the file.
std::ptrdiff_t OpenDescriptorCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                       std::filesystem::directory_iterator{});
}

void ExpectXattrWritesFail(const std::string& path, const std::string& root,
                           bool refusedBeforehand) {
  const std::u16string target = U(path);
  const struct {
    const char* what;
    FileStatus status;
    bool leaveAttributes;
  } cases[] = {
      {"hidden", AttributesOnly(platform::kAttrHidden | platform::kAttrArchive), false},
      {"system", AttributesOnly(platform::kAttrSystem | platform::kAttrArchive), false},
      {"archive cleared", AttributesOnly(0), false},
      {"creation time", CreationOnly(), true},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.what);
    const Snapshot before = TakeSnapshot(root);
    try {
      WriteFileStatus(target, each.status, each.leaveAttributes);
      ADD_FAILURE() << "the write reported success";
    } catch (const FileError& error) {
      EXPECT_NE(error.osError, 0);
      EXPECT_NE(error.cause, ErrorCause::kNone);
    }
    EXPECT_EQ(Differences(before, TakeSnapshot(root)), std::vector<std::string>{});

    // Through the file set, and nothing opened for the file stays open.
    FileSet set;
    set.operate.SetFiles({target});
    const auto descriptors = OpenDescriptorCount();
    try {
      EXPECT_FALSE(set.operate.ApplyStatus(each.status, each.leaveAttributes));
      EXPECT_TRUE(refusedBeforehand) << "apply reported success";
      EXPECT_EQ(set.operate.GetFailedFiles(), std::vector<std::u16string>{target});
    } catch (const FileError& error) {
      EXPECT_FALSE(refusedBeforehand);
      EXPECT_EQ(error.path, target);
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(Differences(before, TakeSnapshot(root)), std::vector<std::string>{});
  }
}

TEST(FileSystemFault, RamfsRefusesAttributesBeforeWritingButTakesTimes) {
  Mounted place;
  if (const std::string refused = MountFresh(place, "ramfs", ""); !refused.empty()) {
    GTEST_SKIP() << refused;
  }
  const std::string file = place.root + "/file", other = place.root + "/other";
  WriteFile(file, "contents");
  WriteFile(other, "other");
  ASSERT_NE(setxattr(file.c_str(), kDosAttribName, "0x20", 4, 0), 0) << "ramfs took an xattr";

  ExpectXattrWritesFail(file, place.folder.path, true);

  const Snapshot before = TakeSnapshot(place.folder.path);
  FileSet set;
  set.operate.SetFiles({U(file)});
  EXPECT_TRUE(set.operate.ApplyStatus(WriteTimeOnly(), true));
  struct stat info;
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, kNewWriteTime);
  EXPECT_EQ(Differences(before, TakeSnapshot(place.folder.path), {file}),
            std::vector<std::string>{});
  EXPECT_TRUE(set.messages.shown.empty());

  // Read-only lives in the mode bits as well, which ramfs keeps.
  FileStatus readOnly = AttributesOnly(platform::kAttrReadOnly | platform::kAttrArchive);
  EXPECT_NO_THROW(WriteFileStatus(U(file), readOnly, false));
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);
  EXPECT_EQ(Differences(before, TakeSnapshot(place.folder.path), {file}),
            std::vector<std::string>{});
}

TEST(FileSystemFault, FullTmpfsRefusesAnXattrThatDoesNotFit) {
  Mounted place;
  if (const std::string refused = MountFresh(place, "tmpfs", "size=64k,nr_inodes=16");
      !refused.empty()) {
    GTEST_SKIP() << refused;
  }
  const std::string file = place.root + "/file", filler = place.root + "/filler";
  WriteFile(file, "contents");
  WriteFile(filler, "");
  if (setxattr(file.c_str(), "user.probe", "1", 1, 0) != 0) {
    GTEST_SKIP() << "this tmpfs keeps no user xattrs: " << std::strerror(errno);
  }
  removexattr(file.c_str(), "user.probe");
  // Fills the space for extended attributes down to the last byte.
  int made = 0;
  for (std::size_t size : {4096u, 1024u, 256u, 64u, 16u, 1u}) {
    const std::string value(size, 'x');
    while (setxattr(filler.c_str(), ("user.fill" + std::to_string(made)).c_str(), value.data(),
                    value.size(), 0) == 0) {
      ++made;
    }
  }
  ASSERT_EQ(errno, ENOSPC) << std::strerror(errno);

  ExpectXattrWritesFail(file, place.folder.path, false);
}

}  // namespace
}  // namespace tempinex::faults
