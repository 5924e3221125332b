#pragma once

// Which attribute store serves a volume: chosen from what the volume answers, once per mounted
// volume for the life of the process.

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "attribute_store.hpp"

namespace tempinex::platform::linux_fs {

// statfs f_type of the volumes that keep the Windows notions themselves.
inline constexpr std::uint32_t kFuseMagic = 0x65735546;  // every FUSE volume
inline constexpr std::uint32_t kCifsMagic = 0xFF534D42;  // SMB1 mount of the kernel client
inline constexpr std::uint32_t kSmb2Magic = 0xFE534D42;  // SMB2 and SMB3 mounts of it
inline constexpr std::uint32_t kMsdosMagic = 0x4d44;     // vfat and msdos
inline constexpr std::uint32_t kExfatMagic = 0x2011BAB0;
inline constexpr std::uint32_t kNtfs3Magic = 0x7366746e;

// What a volume answered: its statfs f_type; on a FUSE volume only, whether a file of it
// answers system.ntfs_attrib (ntfs-3g does; other FUSE file systems do not); on a FAT volume
// only, whether it is mounted with sys_immutable; on an exFAT volume only, whether its driver
// answered the attribute ioctl with ENOTTY (before Linux 6.7).
struct VolumeAnswers {
  std::uint32_t fsType = 0;
  bool ntfsAttribReadable = false;
  bool sysImmutable = false;
  bool noAttributeIoctls = false;
};

// True when the kind depends on the system.ntfs_attrib question too.
bool NeedsNtfsAttribAnswer(std::uint32_t fsType);
// True when the kind depends on whether the driver has the FAT attribute ioctls.
bool NeedsIoctlAnswer(std::uint32_t fsType);
// True when the kind depends on the mount's options too.
bool NeedsMountOptions(std::uint32_t fsType);
// True when the comma-separated mount options name `option` itself (not one with a value).
bool HasMountOption(std::string_view options, std::string_view option);
StoreKind ChooseStoreKind(const VolumeAnswers& answers);

// The store of the volume that holds `file`, which `info` describes. Asked of the volume on the
// first file met on it; a volume that cannot be asked gets the Samba layout, and is asked
// again next time.
const AttributeStore& StoreFor(const struct statx& info, const FileRef& file);

// For tests only, since a test cannot make a volume of another type: every file on the device
// `device` (st_dev) is served by the store of `kind` until the overrides are cleared.
void OverrideStoreKindForTesting(dev_t device, StoreKind kind);
void ClearStoreKindOverridesForTesting();

}  // namespace tempinex::platform::linux_fs
