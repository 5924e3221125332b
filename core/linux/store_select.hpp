#pragma once

// Which attribute store serves a volume: chosen from what the volume answers, once per mounted
// volume for the life of the process.

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "attribute_store.hpp"

namespace tempinex::platform::linux_fs {

inline constexpr std::uint32_t kFuseMagic = 0x65735546;  // statfs f_type of every FUSE volume

// What a volume answered: its statfs f_type and, on a FUSE volume only, whether a file of it
// answers system.ntfs_attrib (ntfs-3g does; other FUSE file systems do not).
struct VolumeAnswers {
  std::uint32_t fsType = 0;
  bool ntfsAttribReadable = false;
};

// True when the kind depends on the system.ntfs_attrib question too.
bool NeedsNtfsAttribAnswer(std::uint32_t fsType);
StoreKind ChooseStoreKind(const VolumeAnswers& answers);
const AttributeStore& StoreOfKind(StoreKind kind);

// The store of the volume that holds the file `info` describes, open as fd or named by path
// (fd < 0). Asked of the volume on the first file met on it; a volume that cannot be asked
// gets the Samba layout, and is asked again next time.
const AttributeStore& StoreFor(const struct statx& info, const std::string& path, int fd);

}  // namespace tempinex::platform::linux_fs
