#include "writability.hpp"

#include <linux/capability.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <pthread.h>

#include <atomic>
#include <cerrno>

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

bool IsOwnerOrFowner(const Inode& inode) {
  return EffectiveUser() == inode.info.stx_uid || HasCapability(CAP_FOWNER);
}

bool OnReadOnlyMount(const std::string& path) {
  struct statvfs volume {};
  return statvfs(path.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY);
}

}  // namespace

namespace {

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

NativeError KernelRefusal(const Inode& inode, const std::string& path, const PlannedSteps& steps) {
  if (!IsRegular(inode)) {
    return EACCES;  // directories, pipes, devices and links are never written
  }
  if (!steps.Any()) {
    return 0;
  }
  // Neither chmod, nor utimensat, nor setxattr touches such a file, whoever asks.
  constexpr std::uint64_t kFrozen = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
  if (inode.info.stx_attributes_mask & inode.info.stx_attributes & kFrozen) {
    return EPERM;
  }
  const bool needsOwner = steps.times || steps.mode || (steps.values && steps.valuesNeedOwner);
  if (needsOwner && !IsOwnerOrFowner(inode)) {
    return EPERM;
  }
  if (steps.madeWritable) {
    // Not opened for writing by the test: nothing else would see the read-only mount. Once
    // the write bits are back, the owner may write the file; anyone else only by overriding.
    if (OnReadOnlyMount(path)) {
      return EROFS;
    }
    const bool writes = steps.values || steps.times;  // the time write opens it for writing
    if (writes && EffectiveUser() != inode.info.stx_uid && !HasCapability(CAP_DAC_OVERRIDE)) {
      return EACCES;
    }
  }
  return 0;
}

}  // namespace tempinex::platform::linux_fs
