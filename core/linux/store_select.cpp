#include "store_select.hpp"

#include <sys/statfs.h>
#include <sys/xattr.h>

#include <cerrno>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace tempinex::platform::linux_fs {

namespace {

constexpr char kNtfsAttribName[] = "system.ntfs_attrib";

// A mounted volume: its device number, and the mount that tells a later mount on the same
// number from it.
struct VolumeKey {
  std::uint64_t device = 0;
  std::uint64_t mount = 0;
  bool operator==(const VolumeKey&) const = default;
};

struct VolumeKeyHash {
  std::size_t operator()(const VolumeKey& key) const {
    return std::hash<std::uint64_t>{}(key.device * 0x9E3779B97F4A7C15ull ^ key.mount);
  }
};

class StoreCache {
 public:
  const AttributeStore* Find(const VolumeKey& key) {
    std::lock_guard lock(mutex);
    const auto found = stores.find(key);
    return found == stores.end() ? nullptr : found->second;
  }
  void Add(const VolumeKey& key, const AttributeStore& store) {
    std::lock_guard lock(mutex);
    stores.emplace(key, &store);
  }

 private:
  std::mutex mutex;
  std::unordered_map<VolumeKey, const AttributeStore*, VolumeKeyHash> stores;
};

StoreCache& Cache() {
  static StoreCache cache;
  return cache;
}

VolumeKey KeyOf(const struct statx& info) {
  VolumeKey key;
  key.device = (static_cast<std::uint64_t>(info.stx_dev_major) << 32) | info.stx_dev_minor;
  constexpr unsigned kMountIds = STATX_MNT_ID | 0x00004000U;  // and STATX_MNT_ID_UNIQUE
  key.mount = (info.stx_mask & kMountIds) ? info.stx_mnt_id : 0;
  return key;
}

// True or false when the file answered plainly; nothing when the question failed otherwise
// (a file gone, a busy volume), which decides nothing about the volume.
std::optional<bool> AnswersNtfsAttrib(const std::string& path, int fd) {
  char value[4];
  const ssize_t length = fd >= 0 ? fgetxattr(fd, kNtfsAttribName, value, sizeof value)
                                 : getxattr(path.c_str(), kNtfsAttribName, value, sizeof value);
  if (length >= 0) {
    return length == sizeof value;
  }
  if (errno == ENODATA || errno == ENOTSUP || errno == ERANGE) {
    return false;
  }
  return std::nullopt;
}

}  // namespace

bool NeedsNtfsAttribAnswer(std::uint32_t fsType) {
  return fsType == kFuseMagic;
}

StoreKind ChooseStoreKind(const VolumeAnswers& answers) {
  if (answers.fsType == kFuseMagic && answers.ntfsAttribReadable) {
    return StoreKind::kNtfs3g;
  }
  return StoreKind::kSamba;
}

const AttributeStore& StoreOfKind(StoreKind kind) {
  switch (kind) {
    case StoreKind::kNtfs3g:
      return Ntfs3gStoreInstance();
    case StoreKind::kSamba:
      break;
  }
  return SambaStore();
}

const AttributeStore& StoreFor(const struct statx& info, const std::string& path, int fd) {
  const VolumeKey key = KeyOf(info);
  if (const AttributeStore* known = Cache().Find(key)) {
    return *known;
  }
  struct statfs volume {};
  const int result = fd >= 0 ? fstatfs(fd, &volume) : statfs(path.c_str(), &volume);
  if (result != 0) {
    return SambaStore();
  }
  VolumeAnswers answers;
  answers.fsType = static_cast<std::uint32_t>(volume.f_type);
  if (NeedsNtfsAttribAnswer(answers.fsType)) {
    const std::optional<bool> answer = AnswersNtfsAttrib(path, fd);
    if (!answer) {
      return SambaStore();  // asked again at the next file
    }
    answers.ntfsAttribReadable = *answer;
  }
  const AttributeStore& store = StoreOfKind(ChooseStoreKind(answers));
  Cache().Add(key, store);
  return store;
}

}  // namespace tempinex::platform::linux_fs
