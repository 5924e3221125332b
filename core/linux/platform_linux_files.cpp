// The status reads and the rename of the Linux platform layer. A status read changes nothing
// and looks the name up as it is now; every change goes through an open file
// (linux_open_file.cpp). Where the Windows notions are kept is the business of the volume's
// attribute store.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "file_name.hpp"
#include "linux_inode.hpp"
#include "platform.hpp"

namespace tempinex::platform {

namespace {

using linux_fs::FileRef;
using linux_fs::Inode;

NativeError NativeName(const std::u16string& path, std::string& native) {
  auto encoded = EncodeFileName(path);
  if (!encoded || encoded->empty()) {
    return EINVAL;
  }
  native = std::move(*encoded);
  return 0;
}

NativeError MoveByLink(const std::string& from, const std::string& to) {
  struct stat info {};
  if (lstat(from.c_str(), &info) != 0) {
    return errno;
  }
  if (!S_ISREG(info.st_mode)) {
    return EINVAL;
  }
  if (link(from.c_str(), to.c_str()) != 0) {
    return errno;  // EEXIST: the target is never replaced
  }
  if (unlink(from.c_str()) != 0) {
    const NativeError error = errno;
    unlink(to.c_str());
    return error;
  }
  return 0;
}

}  // namespace

NativeError GetAttributeData(const std::u16string& path, AttributeData& data) {
  std::string native;
  if (const NativeError error = NativeName(path, native); error != 0) {
    return error;
  }
  const FileRef file = FileRef::Name(native);
  Inode inode;
  if (const NativeError error = linux_fs::ReadInode(file, linux_fs::IsDotName(native), inode)) {
    return error;
  }
  data = linux_fs::DataOf(inode, file);
  return 0;
}

NativeError GetAttributes(const std::u16string& path, std::uint32_t& attributes) {
  AttributeData data;
  const NativeError error = GetAttributeData(path, data);
  attributes = error == 0 ? data.attributes : kInvalidAttributes;
  return error;
}

NativeError MoveFile(const std::u16string& from, const std::u16string& to) {
  std::string nativeFrom;
  std::string nativeTo;
  if (const NativeError error = NativeName(from, nativeFrom); error != 0) {
    return error;
  }
  if (const NativeError error = NativeName(to, nativeTo); error != 0) {
    return error;
  }
  if (renameat2(AT_FDCWD, nativeFrom.c_str(), AT_FDCWD, nativeTo.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  const NativeError error = errno;
  // File systems without the no-replace flag (NFS, for one) answer EINVAL.
  if (error == EINVAL || error == ENOSYS) {
    return MoveByLink(nativeFrom, nativeTo);
  }
  return error;
}

}  // namespace tempinex::platform
