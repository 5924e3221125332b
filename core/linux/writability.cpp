#include "writability.hpp"

#include <linux/capability.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>

namespace tempinex::platform::linux_fs {

namespace {

// The effective set, asked afresh each time: only files this user does not own need it, and
// a process that forks and changes its user (as the tests do) must not keep its old answer.
std::uint64_t EffectiveCapabilities() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (syscall(SYS_capget, &header, data) != 0) {
    return 0;
  }
  return static_cast<std::uint64_t>(data[0].effective) |
         (static_cast<std::uint64_t>(data[1].effective) << 32);
}

bool IsOwner(const Inode& inode) {
  return EffectiveUser() == inode.info.stx_uid;
}

bool IsOwnerOrFowner(const Inode& inode) {
  return IsOwner(inode) || HasCapability(CAP_FOWNER);
}

// Whether a mount is read-only, remembered for a second per mount: a batch asks it once, and a
// volume remounted meanwhile is seen as it is within a second.
class ReadOnlyMounts {
 public:
  bool IsReadOnly(const FileRef& file, const Inode& inode) {
    const auto now = std::chrono::steady_clock::now();
    const std::uint64_t mount = inode.info.stx_mnt_id;
    {
      std::lock_guard lock(mutex);
      if (known && mount == lastMount && now - askedAt < std::chrono::seconds(1)) {
        return lastAnswer;
      }
    }
    const bool readOnly = Ask(file);
    std::lock_guard lock(mutex);
    known = true;
    lastMount = mount;
    lastAnswer = readOnly;
    askedAt = now;
    return readOnly;
  }

 private:
  static bool Ask(const FileRef& file) {
    struct statfs volume {};
    if (file.VolumeOf(volume) != 0) {
      return false;  // the write itself will tell
    }
    return (volume.f_flags & ST_RDONLY) != 0;
  }

  std::mutex mutex;
  bool known = false;
  std::uint64_t lastMount = 0;
  bool lastAnswer = false;
  std::chrono::steady_clock::time_point askedAt;
};

ReadOnlyMounts& Mounts() {
  static ReadOnlyMounts mounts;
  return mounts;
}

// Whether this user may write an extended attribute of the file, which the kernel allows to
// whoever may write the file's data: root and the owner's own write bit answer without a call.
bool MayWriteValues(const Inode& inode, const FileRef& file) {
  if (EffectiveUser() == 0) {
    return true;
  }
  if (IsOwner(inode)) {
    return (inode.info.stx_mode & S_IWUSR) != 0;
  }
  return file.MayWrite();
}

constexpr uid_t kNotAsked = static_cast<uid_t>(-1);
std::atomic<uid_t> knownUser{kNotAsked};

void ForgetUser() {
  knownUser.store(kNotAsked, std::memory_order_relaxed);
}

}  // namespace

uid_t EffectiveUser() {
  static const bool registered = pthread_atfork(nullptr, nullptr, ForgetUser) == 0;
  uid_t user = knownUser.load(std::memory_order_relaxed);
  if (user == kNotAsked || !registered) {
    user = geteuid();
    knownUser.store(user, std::memory_order_relaxed);
  }
  return user;
}

bool HasCapability(int capability) {
  return capability >= 0 && capability < 64 && (EffectiveCapabilities() >> capability & 1) != 0;
}

Verdict KindVerdict(const Inode& inode, const Change& change) {
  if (IsRegular(inode)) {
    return {};
  }
  const bool times = change.SetsTimes();
  if (IsDirectory(inode)) {
    return times && !change.foldersAndLinks ? Verdict{Obstacle::kFolderTimes, 0} : Verdict{};
  }
  // A link takes its last-access and last-write times; it has no attributes of its own.
  const bool linkTimes =
      IsLink(inode) && change.foldersAndLinks && !change.attributes && !change.creation;
  return linkTimes ? Verdict{} : Verdict{Obstacle::kNotRegular, 0};
}

Verdict KernelVerdict(const Inode& inode, const FileRef& file, const PlannedSteps& steps) {
  if (!steps.Any()) {
    return {};
  }
  // Neither chmod, nor utimensat, nor setxattr touches such a file, whoever asks.
  constexpr std::uint64_t kFrozen = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
  if (inode.info.stx_attributes_mask & inode.info.stx_attributes & kFrozen) {
    return {Obstacle::kImmutable, EPERM};
  }
  const bool needsOwner = steps.times || steps.mode || (steps.values && steps.valuesNeedOwner);
  if (needsOwner && !IsOwnerOrFowner(inode)) {
    return {Obstacle::kNotOwner, EPERM};
  }
  if (Mounts().IsReadOnly(file, inode)) {
    return {Obstacle::kReadOnlyVolume, EROFS};
  }
  // A file made writable first is written by its owner once its write bits are back.
  const bool valuesByPermission = steps.values && !steps.valuesNeedOwner && !steps.madeWritable;
  if (valuesByPermission && !MayWriteValues(inode, file)) {
    return {Obstacle::kSystemError, EACCES};
  }
  return {};
}

}  // namespace tempinex::platform::linux_fs
