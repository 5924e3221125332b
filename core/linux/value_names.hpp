#pragma once

// The names under which Linux file systems and their drivers offer the Windows notions of a
// file, one table for every store.

namespace tempinex::platform::linux_fs {

// Samba and Wine: DOS attributes and the creation time (user.DOSATTRIB, see dos_attrib.hpp).
inline constexpr char kDosAttribName[] = "user.DOSATTRIB";
// ntfs-3g and the kernel's ntfs3: the NTFS attribute word, a u32 in CPU order.
inline constexpr char kNtfsAttribName[] = "system.ntfs_attrib";
// ntfs-3g: creation, last write, last access and change, NT times. A value of 8, 16 or 24
// bytes sets the first one, two or three; the change time then becomes now.
inline constexpr char kNtfsTimesName[] = "system.ntfs_times";
// The kernel's SMB client: the server's attributes (u32, CPU order) and creation time (u64 NT
// time).
inline constexpr char kCifsAttribName[] = "user.cifs.dosattrib";
inline constexpr char kCifsCreationName[] = "user.cifs.creationtime";
// Not an extended attribute: the slot of a saved state that holds a FAT directory entry's
// attribute byte, as FAT_IOCTL_GET_ATTRIBUTES read it.
inline constexpr char kFatAttributesSlot[] = "FAT attributes";

}  // namespace tempinex::platform::linux_fs
