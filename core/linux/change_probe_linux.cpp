// The question whether a whole planned change can be made, answered on Linux from the file's
// inode and the rules the kernel applies to each part of the change: only the owner (or root)
// may set explicit times or change the mode, extended attributes need write access, and an
// immutable or append-only file takes none of it.

#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include "change_probe.hpp"
#include "file_name.hpp"
#include "linux_inode.hpp"
#include "linux_visit.hpp"

namespace tempinex::platform {

namespace {

using linux_fs::Inode;

constexpr std::uint32_t kEditable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::uint32_t kKeptInXattr = kAttrHidden | kAttrSystem | kAttrArchive;

ChangeAnswer Refuse(ChangeRefusal refusal, NativeError error = 0) {
  return {refusal, error};
}

// The file as the visit under way knows it, or as it is now.
NativeError LookAt(const std::string& native, Inode& inode) {
  if (const linux_fs::VisitMemo* memo = linux_fs::MemoFor(native); memo && memo->inode) {
    inode = *memo->inode;
    return 0;
  }
  return linux_fs::ReadInode(native, inode);
}

bool IsOnReadOnlyVolume(const std::string& native) {
  struct statvfs volume {};
  return statvfs(native.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY);
}

bool LacksExtendedAttributes(const std::string& native, const Inode& inode) {
  if (inode.dos) {
    return false;  // it holds one already
  }
  return getxattr(native.c_str(), kDosAttribName, nullptr, 0) < 0 &&
         (errno == ENOTSUP || errno == EOPNOTSUPP);
}

}  // namespace

ChangeAnswer ProbeChange(const std::u16string& path, const PlannedChange& change) {
  const auto encoded = EncodeFileName(path);
  if (!encoded || encoded->empty()) {
    return Refuse(ChangeRefusal::kNotFound, EINVAL);
  }
  const std::string& native = *encoded;
  Inode inode;
  if (const NativeError error = LookAt(native, inode); error != 0) {
    return Refuse(ChangeRefusal::kNotFound, error);
  }
  const bool directory = linux_fs::IsDirectory(inode);
  const bool opensFile = change.writesTimes || change.writesCreation;
  if (!directory && !linux_fs::IsRegular(inode)) {
    return Refuse(ChangeRefusal::kNotRegular);
  }
  if (directory && opensFile) {
    return Refuse(ChangeRefusal::kDirectoryTimes);
  }
  const std::uint32_t changed = (change.oldAttributes ^ change.newAttributes) & kEditable;
  const bool readOnly = (linux_fs::AttributeWord(inode, native) & kAttrReadOnly) != 0;
  const bool clearsReadOnly = readOnly && !(change.newAttributes & kAttrReadOnly);
  if (readOnly && !clearsReadOnly) {
    return Refuse(ChangeRefusal::kReadOnly);
  }
  if (inode.info.stx_attributes & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND)) {
    return Refuse(ChangeRefusal::kImmutable, EPERM);
  }
  static const uid_t user = geteuid();  // this program never changes its user
  const bool owner = user == 0 || user == inode.info.stx_uid;
  if ((opensFile || (changed & kAttrReadOnly)) && !owner) {
    return Refuse(ChangeRefusal::kNoPermission, EPERM);
  }
  if (!opensFile && changed == 0) {
    return {};
  }
  // Once the mode of a read-only file has been given back its write bits (only the owner can,
  // checked above), the rest needs no further access; otherwise the file must be writable now,
  // and readable too where it is opened for the time write. Root may read and write any file;
  // a file on a read-only volume is then refused by the writability test that follows.
  const bool asked = user != 0 || directory;
  if (asked && clearsReadOnly && !linux_fs::HasWriteBits(inode)) {
    if (IsOnReadOnlyVolume(native)) {
      return Refuse(ChangeRefusal::kNoPermission, EROFS);
    }
  } else if (asked &&
             faccessat(AT_FDCWD, native.c_str(), opensFile ? R_OK | W_OK : W_OK, AT_EACCESS) != 0) {
    return Refuse(ChangeRefusal::kNoPermission, errno);
  }
  // In a sticky folder only its owner may set its user attributes.
  if (directory && (inode.info.stx_mode & S_ISVTX) && !owner) {
    return Refuse(ChangeRefusal::kNoPermission, EPERM);
  }
  if ((change.writesCreation || (changed & kKeptInXattr)) &&
      LacksExtendedAttributes(native, inode)) {
    return Refuse(ChangeRefusal::kNoExtendedAttributes, ENOTSUP);
  }
  return {};
}

}  // namespace tempinex::platform
