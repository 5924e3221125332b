// The stores of file systems that keep the Windows notions themselves, on real descriptors:
// cifs through its attribute names on tmpfs, FAT and ntfs3 through our FUSE file system
// (fuse/fat_test_fs.cpp), each volume made to use the store under test. Whatever the store,
// the batch lists the files it refuses before writing them, leaves them unchanged and writes
// the others.
//
// Where the environment names a real volume of a driver (TEMPINEX_REAL_VFAT,
// TEMPINEX_REAL_VFAT_SYS_IMMUTABLE, TEMPINEX_REAL_EXFAT, TEMPINEX_REAL_EXFAT_NO_IOCTLS,
// TEMPINEX_REAL_NTFS3, TEMPINEX_REAL_CIFS, TEMPINEX_REAL_CIFS_NODOS: a mount point, as the
// virtual machine of scripts/vm sets them), that
// driver's tests run there instead, in a fresh folder, with the store the volume itself
// chooses.

#include <linux/capability.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "file_operate.hpp"
#include "linux_inode.hpp"
#include "status_time.hpp"
#include "store_select.hpp"
#include "test_support.hpp"

namespace tempinex {
namespace {

using platform::linux_fs::StoreKind;
using support::U;
using support::WriteFile;

constexpr StatusTime kSomeTime = 1'300'000'000;
constexpr StatusTime kOtherTime = 1'200'000'000;

class SilentShell : public IShellInfo {
 public:
  std::u16string DisplayName(const std::u16string& path) override { return path; }
  std::u16string TypeName(const std::u16string&) override { return u"file"; }
};

class SilentMessages : public IMessageBox {
 public:
  void ShowMessage(const std::u16string&, const std::u16string&, MessageIcon, bool) override {}
};

// The mount point of a real volume the environment names in `variable`, if any.
std::optional<std::string> RealVolume(const char* variable) {
  const char* path = std::getenv(variable);
  return path && *path ? std::optional<std::string>(path) : std::nullopt;
}

// A fresh folder under `parent`, or "" when none could be made.
std::string FreshFolder(const std::string& parent) {
  std::string pattern = parent + "/tempinex-XXXXXX";
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

// Serves every file of the folder's volume by the store of `kind` while it lives.
class ForcedStore {
 public:
  ForcedStore(const std::string& folder, StoreKind kind) {
    platform::linux_fs::OverrideStoreKindForTesting(support::StatOf(folder).st_dev, kind);
  }
  ~ForcedStore() { platform::linux_fs::ClearStoreKindOverridesForTesting(); }
};

// The outcome of one batch apply.
struct Applied {
  bool allWritten = false;
  std::vector<std::u16string> failed;
};

Applied Apply(const std::vector<std::string>& paths, const FileStatus& status, bool leave) {
  SilentShell shell;
  SilentMessages messages;
  CFileOperate set(shell, messages);
  std::vector<std::u16string> files;
  for (const std::string& path : paths) {
    files.push_back(U(path));
  }
  set.SetFiles(files);
  Applied applied;
  applied.allWritten = set.ApplyStatus(status, leave);
  applied.failed = set.GetFailedFiles();
  return applied;
}

std::uint32_t Shown(const std::string& path) {
  std::uint32_t word = 0;
  EXPECT_EQ(platform::GetAttributes(U(path), word), 0) << path;
  return word;
}

std::optional<std::string> Value(const std::string& path, const char* name) {
  char buffer[64];
  const ssize_t length = getxattr(path.c_str(), name, buffer, sizeof buffer);
  return length < 0 ? std::nullopt
                    : std::optional<std::string>(std::string(buffer, static_cast<size_t>(length)));
}

// Why the file at path cannot take `change`, as the writability test answers before writing.
platform::Obstacle ObstacleOf(const std::string& path, const platform::Change& change) {
  std::unique_ptr<platform::OpenFile> file;
  EXPECT_EQ(platform::OpenFileAt(U(path), platform::LinkRule::kFollow, file), 0) << path;
  return file ? file->Admit(change).obstacle : platform::Obstacle::kSystemError;
}

platform::Change CreationChange() {
  platform::Change change;
  change.creation = platform::PreciseTime{1'000'000'000, 0};
  return change;
}

template <typename Number>
std::string Bytes(Number number) {
  return std::string(reinterpret_cast<const char*>(&number), sizeof number);
}

// ---- cifs: the client's attribute names, on tmpfs where user attributes may be kept.

class CifsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const auto real = RealVolume("TEMPINEX_REAL_CIFS")) {
      folder = FreshFolder(*real);
      ASSERT_FALSE(folder.empty()) << *real;
      return;
    }
    struct statfs volume {};
    if (statfs("/dev/shm", &volume) != 0 || volume.f_type != TMPFS_MAGIC) {
      GTEST_SKIP() << "/dev/shm is not tmpfs";
    }
    char pattern[] = "/dev/shm/tempinex-cifs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    forced.emplace(folder, StoreKind::kCifs);
  }
  void TearDown() override {
    forced.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::string Make(const std::string& name, std::uint32_t attributes) {
    const std::string path = folder + "/" + name;
    WriteFile(path, "data");
    setxattr(path.c_str(), "user.cifs.dosattrib", Bytes(attributes).data(), 4, 0);
    return path;
  }

  bool Real() const { return !forced; }

  std::string folder;
  std::optional<ForcedStore> forced;
};

TEST_F(CifsStoreTest, AttributesAndCreationTimeGoThroughTheClientsNames) {
  // A bit the store does not edit is kept through its writes; a real server takes no such
  // bit from a client (Samba drops compressed, offline, temporary).
  const std::uint32_t untouched = Real() ? 0 : platform::kAttrCompressed;
  const std::string file = Make("f.txt", 0x23 | untouched);  // read-only, hidden, archive
  const std::uint64_t created = support::NtTime(support::UtcSeconds(2001, 2, 3, 4, 5, 6));
  setxattr(file.c_str(), "user.cifs.creationtime", Bytes(created).data(), 8, 0);
  platform::AttributeData data;
  ASSERT_EQ(platform::GetAttributeData(U(file), data), 0);
  EXPECT_EQ(data.attributes, 0x23u | untouched);
  EXPECT_EQ(data.creation, created);

  ASSERT_EQ(support::SetAttributes(U(file), platform::kAttrSystem), 0);
  EXPECT_EQ(Value(file, "user.cifs.dosattrib"), Bytes(platform::kAttrSystem | untouched));
  ASSERT_EQ(support::SetAttributes(U(file), platform::kAttrReadOnly), 0);
  EXPECT_EQ(support::StatOf(file).st_mode & 0222, 0u);  // the write bits follow at once
  ASSERT_EQ(support::SetAttributes(U(file), 0), 0);
  EXPECT_NE(support::StatOf(file).st_mode & 0200, 0u);

  const std::string plain = Make("plain.txt", platform::kAttrArchive);
  ASSERT_EQ(support::SetAttributes(U(plain), 0), 0);
  // 0 would tell the server "unchanged": a file left with no attribute is written as normal.
  EXPECT_EQ(Value(plain, "user.cifs.dosattrib"), Bytes(std::uint32_t{platform::kAttrNormal}));
}

TEST_F(CifsStoreTest, BatchListsTheReadOnlyFileAndWritesTheOthersCreationTimeIncluded) {
  const std::string readOnly = Make("r.txt", platform::kAttrReadOnly | platform::kAttrArchive);
  const std::string plain = Make("a.txt", platform::kAttrArchive);
  const time_t before = support::StatOf(readOnly).st_mtime;
  const auto createdBefore = Value(readOnly, "user.cifs.creationtime");
  FileStatus status;
  status.modified = kSomeTime;
  status.created = kOtherTime;
  const Applied applied = Apply({readOnly, plain}, status, true);
  EXPECT_FALSE(applied.allWritten);
  EXPECT_EQ(applied.failed, std::vector<std::u16string>{U(readOnly)});
  EXPECT_EQ(support::StatOf(readOnly).st_mtime, before);
  EXPECT_EQ(Value(readOnly, "user.cifs.creationtime"), createdBefore);
  EXPECT_EQ(support::StatOf(plain).st_mtime, kSomeTime);
  platform::AttributeData data;
  ASSERT_EQ(platform::GetAttributeData(U(plain), data), 0);
  EXPECT_EQ(data.creation, StatusTimeToFileTime(kOtherTime));
  EXPECT_EQ(Value(plain, "user.cifs.creationtime")->size(), 8u);
}

// ---- FAT, exFAT and ntfs3: our FUSE file system, which answers as the drivers do, or the real
// driver where the environment names a volume of it.

// Our FUSE file system mounted on a fresh folder for the life of the object; unmounted and
// removed at the end, also when the test fails.
class FuseVolume {
 public:
  // kind: the volume fat_test_fs plays (vfat, vfat-sys-immutable, exfat, ntfs3, ...).
  explicit FuseVolume(const char* kind) {
    char pattern[] = "/tmp/tempinex-fat-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
      return;
    }
    mountPoint = pattern;
    daemon = fork();
    if (daemon == 0) {
      execl(TEMPINEX_FAT_TEST_FS, TEMPINEX_FAT_TEST_FS, pattern, kind, nullptr);
      _exit(127);
    }
    for (int tries = 0; tries < 500 && !Mounted(); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~FuseVolume() {
    if (daemon > 0) {
      if (Mounted()) {
        std::system(("fusermount3 -u " + mountPoint).c_str());
      }
      int status = 0;
      for (int tries = 0; tries < 300 && waitpid(daemon, &status, WNOHANG) == 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (kill(daemon, 0) == 0) {
        kill(daemon, SIGKILL);
        waitpid(daemon, &status, 0);
      }
    }
    if (!mountPoint.empty()) {
      rmdir(mountPoint.c_str());
    }
  }
  bool Mounted() const {
    struct statfs volume {};
    return statfs(mountPoint.c_str(), &volume) == 0 &&
           static_cast<std::uint32_t>(volume.f_type) == platform::linux_fs::kFuseMagic;
  }
  std::string Join(const std::string& name) const { return mountPoint + "/" + name; }

  std::string mountPoint;
  pid_t daemon = -1;
};

std::uint32_t FatBits(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  std::uint32_t bits = 0xDEAD;
  EXPECT_EQ(ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &bits), 0) << path;
  close(fd);
  return bits;
}

void SetFatBits(const std::string& path, std::uint32_t bits) {
  const int fd = open(path.c_str(), O_RDONLY);
  EXPECT_EQ(ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &bits), 0) << path;
  close(fd);
}

// The volume of a store's driver: the kind of it our FUSE file system plays, and the
// variable that may name a real one.
struct DriverVolume {
  const char* imitated;
  const char* variable;
};

// The SMB share of a server that keeps no DOS attributes, through the kernel's client.
constexpr DriverVolume kCifsNodos = {"smb-nodos", "TEMPINEX_REAL_CIFS_NODOS"};

DriverVolume VolumeOf(StoreKind kind) {
  switch (kind) {
    case StoreKind::kExfatWithoutIoctls:
      return {"exfat-no-ioctls", "TEMPINEX_REAL_EXFAT_NO_IOCTLS"};
    case StoreKind::kVfat:
      return {"vfat", "TEMPINEX_REAL_VFAT"};
    case StoreKind::kVfatSysImmutable:
      return {"vfat-sys-immutable", "TEMPINEX_REAL_VFAT_SYS_IMMUTABLE"};
    case StoreKind::kExfat:
      return {"exfat", "TEMPINEX_REAL_EXFAT"};
    default:
      return {"ntfs3", "TEMPINEX_REAL_NTFS3"};
  }
}

class DriverStoreTest : public ::testing::Test {
 protected:
  // The files of the test go to `folder`, on the volume mounted at `root`.
  void Mount(StoreKind kind) { Mount(VolumeOf(kind), kind); }
  void Mount(const DriverVolume& driver, StoreKind kind) {
    storeKind = kind;
    if (const auto real = RealVolume(driver.variable)) {
      root = *real;
      folder = FreshFolder(root);
      ASSERT_FALSE(folder.empty()) << root;
      return;
    }
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
      GTEST_SKIP() << "/dev/fuse is missing";
    }
    volume.emplace(driver.imitated);
    ASSERT_TRUE(volume->Mounted()) << "the FUSE test file system did not mount";
    forced.emplace(volume->mountPoint, kind);
    root = folder = volume->mountPoint;
  }
  void TearDown() override {
    forced.reset();
    volume.reset();
    if (!folder.empty() && folder != root) {
      std::error_code ignored;  // an immutable file stays; the volume goes with the machine
      std::filesystem::remove_all(folder, ignored);
    }
  }
  // A file of four bytes that has just the attributes `bits`, set the driver's own way.
  std::string Make(const std::string& name, std::uint32_t bits) {
    const std::string path = folder + "/" + name;
    WriteFile(path, "data");
    if (storeKind == StoreKind::kNtfs3) {
      EXPECT_EQ(setxattr(path.c_str(), "system.ntfs_attrib", &bits, sizeof bits, 0), 0) << path;
    } else {
      SetFatBits(path, bits);
    }
    return path;
  }

  StoreKind storeKind{};
  std::string root, folder;
  std::optional<FuseVolume> volume;
  std::optional<ForcedStore> forced;
};

TEST_F(DriverStoreTest, FatAttributesGoThroughTheDriversIoctls) {
  Mount(StoreKind::kVfat);
  const std::string file = Make("f.txt", ATTR_RO | ATTR_HIDDEN | ATTR_SYS | ATTR_ARCH);
  EXPECT_EQ(Shown(file), 0x27u);
  EXPECT_EQ(Shown(root), platform::kAttrDirectory);  // the root keeps none
  // Nor can it keep any: new attributes or times for it are refused.
  platform::Change hidden;
  hidden.attributes = platform::kAttrHidden;
  EXPECT_EQ(ObstacleOf(root, hidden), platform::Obstacle::kRootFolder);
  platform::Change times;
  times.lastWrite = platform::PreciseTime{1'000'000'000, 0};
  times.foldersAndLinks = true;
  EXPECT_EQ(ObstacleOf(root, times), platform::Obstacle::kRootFolder);
  hidden.attributes = 0;  // what it shows already: nothing to write
  EXPECT_EQ(ObstacleOf(root, hidden), platform::Obstacle::kNone);

  ASSERT_EQ(support::SetAttributes(U(file), platform::kAttrHidden | platform::kAttrArchive), 0);
  EXPECT_EQ(FatBits(file), std::uint32_t{ATTR_HIDDEN | ATTR_ARCH});
  EXPECT_NE(support::StatOf(file).st_mode & 0200, 0u);  // the driver gave the write bits back
  ASSERT_EQ(support::SetAttributes(U(file), platform::kAttrReadOnly), 0);
  EXPECT_EQ(FatBits(file), std::uint32_t{ATTR_RO});
  EXPECT_EQ(Shown(file), platform::kAttrReadOnly);
}

TEST_F(DriverStoreTest, FatBatchRefusesACreationTimeAndWritesWhatItCan) {
  Mount(StoreKind::kVfat);
  const std::string one = Make("1.txt", ATTR_ARCH);
  const std::string two = Make("2.txt", ATTR_ARCH);
  const std::string readOnly = Make("r.txt", ATTR_RO | ATTR_ARCH);
  const time_t before = support::StatOf(one).st_mtime;
  FileStatus status;
  status.modified = kSomeTime;
  status.created = kOtherTime;
  status.attribute = platform::kAttrHidden;
  EXPECT_EQ(ObstacleOf(one, CreationChange()), platform::Obstacle::kCreationTimeFixed);
  Applied applied = Apply({one, two}, status, false);
  EXPECT_EQ(applied.failed, (std::vector<std::u16string>{U(one), U(two)}));
  EXPECT_EQ(support::StatOf(one).st_mtime, before);
  EXPECT_EQ(FatBits(one), std::uint32_t{ATTR_ARCH});

  status.created = 0;
  applied = Apply({readOnly, one, two}, status, true);
  EXPECT_EQ(applied.failed, std::vector<std::u16string>{U(readOnly)});
  EXPECT_EQ(FatBits(readOnly), std::uint32_t{ATTR_RO | ATTR_ARCH});
  EXPECT_EQ(support::StatOf(one).st_mtime, kSomeTime);
  EXPECT_EQ(support::StatOf(two).st_mtime, kSomeTime);

  applied = Apply({one, two}, status, false);
  EXPECT_TRUE(applied.allWritten);
  EXPECT_EQ(FatBits(two), std::uint32_t{ATTR_HIDDEN});
}

// Runs the apply in a child that has given up `capability`; the child's exit code is the
// number of files refused, or 100 and more when something went wrong.
int ApplyWithoutCapability(int capability, const std::vector<std::string>& paths,
                           const FileStatus& status) {
  const pid_t child = fork();
  if (child == 0) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
      _exit(100);
    }
    data[capability / 32].effective &= ~(1u << (capability % 32));
    if (syscall(SYS_capset, &header, data) != 0) {
      _exit(101);
    }
    try {
      _exit(static_cast<int>(Apply(paths, status, false).failed.size()));
    } catch (...) {
      _exit(102);  // a write failed: the batch stopped
    }
  }
  int result = 0;
  waitpid(child, &result, 0);
  return WIFEXITED(result) ? WEXITSTATUS(result) : 103;
}

int ApplyWithoutImmutableCapability(const std::vector<std::string>& paths,
                                    const FileStatus& status) {
  return ApplyWithoutCapability(CAP_LINUX_IMMUTABLE, paths, status);
}

// The kernel's rules hold whatever the store: only the owner (or CAP_FOWNER) sets times.
TEST_F(CifsStoreTest, AnotherUsersWritableFileIsRefusedBeforeAnythingIsWritten) {
  if (Real()) {
    GTEST_SKIP() << "a cifs mount shows every file as its mount's owner's";
  }
  const std::string theirs = Make("theirs.txt", platform::kAttrArchive);
  const std::string mine = Make("mine.txt", platform::kAttrArchive);
  ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(theirs.c_str(), 0666), 0);
  const time_t before = support::StatOf(theirs).st_mtime;
  FileStatus status;
  status.modified = kSomeTime;
  status.attribute = platform::kAttrHidden;
  EXPECT_EQ(ApplyWithoutCapability(CAP_FOWNER, {theirs, mine}, status), 1);
  EXPECT_EQ(support::StatOf(theirs).st_mtime, before);
  EXPECT_EQ(Value(theirs, "user.cifs.dosattrib"), Bytes(std::uint32_t{platform::kAttrArchive}));
  EXPECT_EQ(support::StatOf(mine).st_mtime, kSomeTime);
  EXPECT_EQ(Value(mine, "user.cifs.dosattrib"), Bytes(std::uint32_t{platform::kAttrHidden}));
}

TEST_F(DriverStoreTest, ExfatRefusesSystemWithoutTheImmutableCapabilityBeforeWriting) {
  Mount(StoreKind::kExfat);
  const std::string system = Make("s.txt", ATTR_SYS | ATTR_ARCH);
  const std::string plain = Make("a.txt", ATTR_ARCH);
  const time_t before = support::StatOf(system).st_mtime;
  FileStatus status;
  status.modified = kSomeTime;
  status.attribute = platform::kAttrHidden | platform::kAttrArchive;
  // Without the capability the first file would stop the batch if it were not refused first.
  EXPECT_EQ(ApplyWithoutImmutableCapability({system, plain}, status), 1);
  EXPECT_EQ(FatBits(system), std::uint32_t{ATTR_SYS | ATTR_ARCH});
  EXPECT_EQ(support::StatOf(system).st_mtime, before);
  EXPECT_EQ(FatBits(plain), std::uint32_t{ATTR_HIDDEN | ATTR_ARCH});
  EXPECT_EQ(support::StatOf(plain).st_mtime, kSomeTime);

  status.attribute = platform::kAttrSystem;
  EXPECT_EQ(ApplyWithoutImmutableCapability({plain}, status), 1);  // nor may it be set
  EXPECT_TRUE(Apply({system, plain}, status, false).allWritten);   // with it, both are
  EXPECT_EQ(FatBits(plain), std::uint32_t{ATTR_SYS});
}

TEST_F(DriverStoreTest, VfatSysImmutableRefusesTheTimesOfASystemFile) {
  Mount(StoreKind::kVfatSysImmutable);
  const std::string system = Make("s.txt", ATTR_SYS | ATTR_ARCH);
  const std::string plain = Make("a.txt", ATTR_ARCH);
  const time_t before = support::StatOf(system).st_mtime;
  FileStatus status;
  status.modified = kSomeTime;
  const Applied applied = Apply({system, plain}, status, true);
  EXPECT_EQ(applied.failed, std::vector<std::u16string>{U(system)});
  EXPECT_EQ(support::StatOf(system).st_mtime, before);
  EXPECT_EQ(support::StatOf(plain).st_mtime, kSomeTime);
}

// The driver makes a file with System immutable, but lets a caller with CAP_LINUX_IMMUTABLE
// change its attributes: System comes off again, and the others change with it.
TEST_F(DriverStoreTest, VfatSysImmutableLetsRootChangeTheAttributesOfASystemFile) {
  Mount(StoreKind::kVfatSysImmutable);
  const std::string file = Make("s.txt", ATTR_SYS | ATTR_ARCH);
  FileStatus status;
  status.attribute = platform::kAttrSystem | platform::kAttrHidden;
  EXPECT_TRUE(Apply({file}, status, false).allWritten);
  EXPECT_EQ(FatBits(file), std::uint32_t{ATTR_SYS | ATTR_HIDDEN});
  status.attribute = platform::kAttrArchive;
  EXPECT_TRUE(Apply({file}, status, false).allWritten);
  EXPECT_EQ(FatBits(file), std::uint32_t{ATTR_ARCH});

  // System taken off together with a new time: the attributes go first, then the times.
  const std::string other = Make("t.txt", ATTR_SYS | ATTR_ARCH);
  status.modified = kSomeTime;
  EXPECT_TRUE(Apply({other}, status, false).allWritten);
  EXPECT_EQ(FatBits(other), std::uint32_t{ATTR_ARCH});
  EXPECT_EQ(support::StatOf(other).st_mtime, kSomeTime);
}

TEST_F(DriverStoreTest, Ntfs3AttributesGoThroughSystemNtfsAttribAndCreationIsRefused) {
  Mount(StoreKind::kNtfs3);
  const std::string file = Make("f.txt", ATTR_HIDDEN | ATTR_ARCH);
  EXPECT_EQ(ObstacleOf(file, CreationChange()), platform::Obstacle::kCreationTimeFixed);
  EXPECT_EQ(Shown(file), 0x22u);
  ASSERT_EQ(support::SetAttributes(U(file), platform::kAttrReadOnly | platform::kAttrSystem), 0);
  EXPECT_EQ(Value(file, "system.ntfs_attrib"), Bytes(std::uint32_t{0x05}));
  EXPECT_EQ(support::StatOf(file).st_mode & 0222, 0u);  // the driver took the write bits

  const std::string other = Make("o.txt", ATTR_ARCH);
  FileStatus status;
  status.modified = kSomeTime;
  status.created = kOtherTime;
  const time_t before = support::StatOf(other).st_mtime;
  EXPECT_EQ(Apply({other}, status, true).failed, std::vector<std::u16string>{U(other)});
  EXPECT_EQ(support::StatOf(other).st_mtime, before);
}

// The driver gives all three write bits whenever the word changes without read-only: a file
// and a folder keep the mode they had, and a file made writable again gets the owner's write
// bit back, never everyone's.
TEST_F(DriverStoreTest, Ntfs3AttributeChangesLeaveTheWriteBitsAsTheyWere) {
  Mount(StoreKind::kNtfs3);
  const std::string file = Make("f.txt", ATTR_ARCH);
  const std::string sub = folder + "/sub";
  ASSERT_EQ(mkdir(sub.c_str(), 0750), 0);
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  ASSERT_EQ(chmod(sub.c_str(), 0750), 0);
  FileStatus status;
  status.attribute = platform::kAttrHidden | platform::kAttrArchive;
  EXPECT_TRUE(Apply({file, sub}, status, false).allWritten);
  EXPECT_EQ(support::StatOf(file).st_mode & 07777, 0640u);
  EXPECT_EQ(support::StatOf(sub).st_mode & 07777, 0750u);

  status.attribute = platform::kAttrReadOnly;
  EXPECT_TRUE(Apply({file}, status, false).allWritten);
  EXPECT_EQ(support::StatOf(file).st_mode & 0222, 0u);
  ASSERT_EQ(support::SetAttributes(U(file), platform::kAttrArchive), 0);
  const mode_t mode = support::StatOf(file).st_mode & 07777;
  EXPECT_EQ(mode & 0755, 0640u & 0755);  // the write bits are the only ones moved
  EXPECT_NE(mode & 0200, 0u);
  EXPECT_EQ(mode & 0002, 0u);
  EXPECT_EQ(Value(file, "system.ntfs_attrib"), Bytes(std::uint32_t{ATTR_ARCH}));
}

// Before Linux 6.7 the exFAT driver has no attribute ioctls: a file shows archive, as every new
// file has it, and read-only from its write bits. Read-only can be set through them; any other
// change is refused for that reason, before anything of it is written.
TEST_F(DriverStoreTest, ExfatWithoutIoctlsShowsWhatItCanAndSetsOnlyReadOnly) {
  Mount(StoreKind::kExfatWithoutIoctls);
  const std::string file = folder + "/f.txt";
  const std::string other = folder + "/o.txt";
  WriteFile(file, "data");
  WriteFile(other, "data");
  EXPECT_EQ(Shown(file), platform::kAttrArchive);
  EXPECT_EQ(Shown(folder), platform::kAttrDirectory);
  EXPECT_EQ(ObstacleOf(file, CreationChange()), platform::Obstacle::kCreationTimeFixed);

  const time_t before = support::StatOf(file).st_mtime;
  FileStatus status;
  status.modified = kSomeTime;
  status.attribute = platform::kAttrHidden | platform::kAttrArchive;
  EXPECT_EQ(Apply({file}, status, false).failed, std::vector<std::u16string>{U(file)});
  EXPECT_EQ(support::StatOf(file).st_mtime, before);
  platform::Change hidden;
  hidden.attributes = platform::kAttrHidden | platform::kAttrArchive;
  EXPECT_EQ(ObstacleOf(file, hidden), platform::Obstacle::kAttributesUnsupported);

  status.attribute = platform::kAttrReadOnly | platform::kAttrArchive;
  EXPECT_TRUE(Apply({file, other}, status, false).allWritten);
  EXPECT_EQ(support::StatOf(file).st_mode & 0222, 0u);
  EXPECT_EQ(Shown(file), platform::kAttrReadOnly | platform::kAttrArchive);
  EXPECT_EQ(support::StatOf(other).st_mtime, kSomeTime);
  // Write bits given back would be lost at the next mount.
  platform::Change writable;
  writable.attributes = platform::kAttrArchive;
  writable.mayClearReadOnly = true;
  EXPECT_EQ(ObstacleOf(file, writable), platform::Obstacle::kAttributesUnsupported);
}

// A server that keeps no DOS attributes takes them and drops them: asked afterwards, it tells,
// and the file is put back and listed while the others are written.
TEST_F(DriverStoreTest, CifsServerThatKeepsNoAttributesIsFoundOutAndPutBack) {
  Mount(kCifsNodos, StoreKind::kCifs);
  const std::string one = folder + "/1.txt";
  const std::string two = folder + "/2.txt";
  WriteFile(one, "data");
  WriteFile(two, "data");
  const time_t before = support::StatOf(one).st_mtime;
  FileStatus status;
  status.modified = kSomeTime;
  status.attribute = platform::kAttrHidden | platform::kAttrArchive;
  Applied applied = Apply({one, two}, status, false);
  EXPECT_EQ(applied.failed, (std::vector<std::u16string>{U(one), U(two)}));
  EXPECT_EQ(support::StatOf(one).st_mtime, before);
  EXPECT_EQ(Shown(one), platform::kAttrArchive);

  status.attribute = platform::kAttrArchive;  // what the server keeps: the times go through
  EXPECT_TRUE(Apply({one}, status, false).allWritten);
  EXPECT_EQ(support::StatOf(one).st_mtime, kSomeTime);
  if (volume) {
    return;  // through FUSE the server cannot be asked for the creation time it kept
  }
  const platform::FileTime created = [&] {
    platform::AttributeData data;
    EXPECT_EQ(platform::GetAttributeData(U(two), data), 0);
    return data.creation;
  }();
  status = FileStatus{};
  status.created = kOtherTime;
  EXPECT_EQ(Apply({two}, status, true).failed, std::vector<std::u16string>{U(two)});
  platform::AttributeData data;
  ASSERT_EQ(platform::GetAttributeData(U(two), data), 0);
  EXPECT_EQ(data.creation, created);  // the client's cache holds the old one again
}

TEST(BirthTimeStores, CreationTimeIsTheBirthTime) {
  for (const StoreKind kind : {StoreKind::kVfat, StoreKind::kExfat, StoreKind::kNtfs3}) {
    const auto real = RealVolume(VolumeOf(kind).variable);
    const std::string folder = FreshFolder(real.value_or("/dev/shm"));
    ASSERT_FALSE(folder.empty());
    const std::string file = folder + "/f.txt";
    WriteFile(file, "data");
    struct statx info {};
    ASSERT_EQ(statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &info), 0);
    ASSERT_TRUE(info.stx_mask & STATX_BTIME) << "tmpfs and the drivers give a birth time";
    std::optional<ForcedStore> forced;
    if (!real) {
      forced.emplace(folder, kind);
    }
    platform::AttributeData data;
    ASSERT_EQ(platform::GetAttributeData(U(file), data), 0);
    EXPECT_EQ(data.creation, platform::linux_fs::FileTimeFromTimestamp(info.stx_btime)) << file;
    forced.reset();
    std::filesystem::remove_all(folder);
  }
}

}  // namespace
}  // namespace tempinex
