#include "store_select.hpp"

#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
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

// The stores tests have put on devices; looked at only while there is one.
class KindOverrides {
 public:
  void Set(dev_t device, StoreKind kind) {
    std::lock_guard lock(mutex);
    kinds[device] = kind;
    any = true;
  }
  void Clear() {
    std::lock_guard lock(mutex);
    kinds.clear();
    any = false;
  }
  const AttributeStore* Find(const struct statx& info) {
    if (!any) {
      return nullptr;
    }
    std::lock_guard lock(mutex);
    const auto found = kinds.find(makedev(info.stx_dev_major, info.stx_dev_minor));
    return found == kinds.end() ? nullptr : &StoreOfKind(found->second);
  }

 private:
  std::atomic<bool> any{false};
  std::mutex mutex;
  std::unordered_map<dev_t, StoreKind> kinds;
};

KindOverrides& Overrides() {
  static KindOverrides overrides;
  return overrides;
}

// The super block's options of the mount of info, from /proc/self/mountinfo: the last field of
// the line whose mount id (or, where statx gave none, whose device) is the file's.
std::string SuperOptionsOf(const struct statx& info) {
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string device =
      std::to_string(info.stx_dev_major) + ":" + std::to_string(info.stx_dev_minor);
  const bool byId = (info.stx_mask & STATX_MNT_ID) != 0;
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers;
    fields >> id >> parent >> numbers;
    const bool match = byId ? id == std::to_string(info.stx_mnt_id) : numbers == device;
    const std::size_t separator = line.find(" - ");
    if (!match || separator == std::string::npos) {
      continue;
    }
    std::istringstream tail(line.substr(separator + 3));
    std::string type, source, options;
    tail >> type >> source >> options;
    return options;
  }
  return {};
}

// True or false when the file answered plainly; nothing when the question failed otherwise
// (a file gone, a busy volume), which decides nothing about the volume.
std::optional<bool> AnswersNtfsAttrib(const FileRef& file) {
  const SavedValue value = file.Get(kNtfsAttribName);
  if (!value.known) {
    return std::nullopt;
  }
  return value.bytes && value.bytes->size() == sizeof(std::uint32_t);
}

// True when the driver answered FAT_IOCTL_GET_ATTRIBUTES with ENOTTY, false when it answered;
// nothing when this file cannot tell (not a regular file or a folder, not readable).
std::optional<bool> LacksAttributeIoctls(const struct statx& info, const FileRef& file) {
  if (!S_ISREG(info.stx_mode) && !S_ISDIR(info.stx_mode)) {
    return std::nullopt;
  }
  const UniqueFd readable = file.OpenForReading();
  std::uint32_t attributes = 0;
  if (!readable) {
    return std::nullopt;
  }
  if (ioctl(readable.Get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0) {
    return false;
  }
  return errno == ENOTTY ? std::optional<bool>(true) : std::nullopt;
}

}  // namespace

bool NeedsIoctlAnswer(std::uint32_t fsType) {
  return fsType == kExfatMagic;
}

bool NeedsNtfsAttribAnswer(std::uint32_t fsType) {
  return fsType == kFuseMagic;
}

bool NeedsMountOptions(std::uint32_t fsType) {
  return fsType == kMsdosMagic;
}

bool HasMountOption(std::string_view options, std::string_view option) {
  while (!options.empty()) {
    const std::size_t comma = options.find(',');
    if (options.substr(0, comma) == option) {
      return true;
    }
    options = comma == std::string_view::npos ? std::string_view() : options.substr(comma + 1);
  }
  return false;
}

StoreKind ChooseStoreKind(const VolumeAnswers& answers) {
  switch (answers.fsType) {
    case kFuseMagic:
      return answers.ntfsAttribReadable ? StoreKind::kNtfs3g : StoreKind::kSamba;
    case kCifsMagic:
    case kSmb2Magic:
      return StoreKind::kCifs;
    case kMsdosMagic:
      return answers.sysImmutable ? StoreKind::kVfatSysImmutable : StoreKind::kVfat;
    case kExfatMagic:
      return answers.noAttributeIoctls ? StoreKind::kExfatWithoutIoctls : StoreKind::kExfat;
    case kNtfs3Magic:
      return StoreKind::kNtfs3;
    default:
      return StoreKind::kSamba;
  }
}

const AttributeStore& StoreOfKind(StoreKind kind) {
  switch (kind) {
    case StoreKind::kNtfs3g:
      return Ntfs3gStoreInstance();
    case StoreKind::kCifs:
      return CifsStoreInstance();
    case StoreKind::kVfat:
    case StoreKind::kVfatSysImmutable:
    case StoreKind::kExfat:
    case StoreKind::kExfatWithoutIoctls:
      return FatStoreInstance(kind);
    case StoreKind::kNtfs3:
      return Ntfs3StoreInstance();
    case StoreKind::kSamba:
      break;
  }
  return SambaStoreInstance();
}

void OverrideStoreKindForTesting(dev_t device, StoreKind kind) {
  Overrides().Set(device, kind);
}

void ClearStoreKindOverridesForTesting() {
  Overrides().Clear();
}

const AttributeStore& StoreFor(const struct statx& info, const FileRef& file) {
  if (const AttributeStore* forced = Overrides().Find(info)) {
    return *forced;
  }
  const VolumeKey key = KeyOf(info);
  if (const AttributeStore* known = Cache().Find(key)) {
    return *known;
  }
  struct statfs volume {};
  if (file.VolumeOf(volume) != 0) {
    return SambaStoreInstance();
  }
  VolumeAnswers answers;
  answers.fsType = static_cast<std::uint32_t>(volume.f_type);
  if (NeedsNtfsAttribAnswer(answers.fsType)) {
    const std::optional<bool> answer = AnswersNtfsAttrib(file);
    if (!answer) {
      return SambaStoreInstance();  // asked again at the next file
    }
    answers.ntfsAttribReadable = *answer;
  }
  if (NeedsIoctlAnswer(answers.fsType)) {
    const std::optional<bool> lacking = LacksAttributeIoctls(info, file);
    if (!lacking) {
      return StoreOfKind(StoreKind::kExfat);  // its record tells why; asked again next time
    }
    answers.noAttributeIoctls = *lacking;
  }
  if (NeedsMountOptions(answers.fsType)) {
    answers.sysImmutable = HasMountOption(SuperOptionsOf(info), "sys_immutable");
  }
  const AttributeStore& store = StoreOfKind(ChooseStoreKind(answers));
  Cache().Add(key, store);
  return store;
}

}  // namespace tempinex::platform::linux_fs
