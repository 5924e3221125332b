// One file opened once on Linux: an O_PATH descriptor, which resolves the name when it is
// opened and never again. Every read, check, write and restore of a change reaches the inode
// through it (statx and utimensat with AT_EMPTY_PATH, fchmodat2, the descriptor's /proc entry
// for extended attributes, a read-only reopening of that entry for a driver's ioctl). An
// O_PATH open has no effect on the file: a device or a pipe named by the user is looked at,
// never opened.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "file_name.hpp"
#include "linux_inode.hpp"
#include "open_file.hpp"

namespace tempinex::platform {

namespace {

using linux_fs::FileRef;
using linux_fs::Inode;
using linux_fs::UniqueFd;

class LinuxOpenFile final : public OpenFile {
 public:
  LinuxOpenFile(UniqueFd descriptor, bool dotName)
      : fd(std::move(descriptor)), ref(FileRef::Descriptor(fd.Get())), dotName(dotName) {}

  NativeError Reread() override {
    Inode fresh;
    if (const NativeError error = linux_fs::ReadInode(ref, dotName, fresh); error != 0) {
      return error;
    }
    inode = std::move(fresh);
    Refresh();
    return 0;
  }

  const AttributeData& State() const override {
    // Worked out when asked: a batch writes most files without asking again after a step.
    if (!state) {
      state = linux_fs::DataOf(inode, ref);
    }
    return *state;
  }
  PreciseTimes Times() const override { return linux_fs::TimesOf(inode); }
  FileIdentity Identity() const override { return linux_fs::IdentityOf(inode); }
  bool IsFolder() const override { return linux_fs::IsDirectory(inode); }
  bool IsLink() const override { return linux_fs::IsLink(inode); }

  Verdict Admit(const Change& change) override { return inode.store->Admit(inode, ref, change); }

  NativeError WriteAttributes(const Change& change) override {
    Save();
    const NativeError error = inode.store->WriteAttributes(ref, inode, change);
    Refresh();
    return error;
  }

  NativeError WriteTimes(const Change& change) override {
    Save();
    const NativeError error = inode.store->WriteTimes(ref, inode, change);
    Refresh();
    return error;
  }

  Verdict Kept(const Change& change) override {
    const Verdict verdict = inode.store->Kept(ref, inode, change);
    Refresh();
    return verdict;
  }

  NativeError Restore() override {
    if (!before) {
      return 0;
    }
    // The store's values as read are still in inode.record.raw: the steps never touch them.
    Inode then = inode;
    then.info = *before;
    before.reset();
    return PutBack(linux_fs::SavedOf(then));
  }

  SavedState Saved() const override { return linux_fs::SavedOf(inode); }

  NativeError PutBack(const SavedState& saved) override {
    Inode now;
    if (const NativeError error = linux_fs::ReadInode(ref, dotName, now); error != 0) {
      return error;
    }
    if (linux_fs::IdentityOf(now) != saved.identity) {
      return ENOENT;  // a state of another file is never put on this one
    }
    const NativeError error = now.store->PutBack(ref, now, saved);
    Reread();
    return error;
  }

  int Descriptor() const { return fd.Get(); }

 private:
  // The mode and times before the first write, for Restore.
  void Save() {
    if (!before) {
      before = inode.info;
    }
  }

  void Refresh() { state.reset(); }

  UniqueFd fd;
  FileRef ref;
  bool dotName = false;
  Inode inode;
  mutable std::optional<AttributeData> state;
  std::optional<struct statx> before;
};

NativeError Finish(UniqueFd fd, bool dotName, std::unique_ptr<OpenFile>& file) {
  auto opened = std::make_unique<LinuxOpenFile>(std::move(fd), dotName);
  if (const NativeError error = opened->Reread(); error != 0) {
    return error;
  }
  file = std::move(opened);
  return 0;
}

LinuxOpenFile* AsLinux(OpenFile& file) {
  return dynamic_cast<LinuxOpenFile*>(&file);
}

}  // namespace

NativeError OpenFileAt(const std::u16string& path, LinkRule rule, std::unique_ptr<OpenFile>& file) {
  const std::optional<std::string> native = EncodeFileName(path);
  if (!native || native->empty()) {
    return EINVAL;
  }
  const int flags = O_PATH | O_CLOEXEC | (rule == LinkRule::kItself ? O_NOFOLLOW : 0);
  UniqueFd fd(open(native->c_str(), flags));
  if (!fd) {
    return errno;
  }
  return Finish(std::move(fd), linux_fs::IsDotName(*native), file);
}

NativeError OpenEntry(OpenFile& folder, const std::u16string& name,
                      std::unique_ptr<OpenFile>& file) {
  const LinuxOpenFile* parent = AsLinux(folder);
  const std::optional<std::string> native = EncodeFileName(name);
  if (parent == nullptr || !native || native->empty() || native->find('/') != std::string::npos) {
    return EINVAL;
  }
  UniqueFd fd(openat(parent->Descriptor(), native->c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!fd) {
    return errno;
  }
  return Finish(std::move(fd), linux_fs::IsDotName(*native), file);
}

NativeError ListFolder(OpenFile& folder, std::vector<FolderEntry>& entries) {
  const LinuxOpenFile* opened = AsLinux(folder);
  if (opened == nullptr) {
    return EINVAL;
  }
  // The listing is read from the folder that was opened: "." relative to its descriptor. It
  // leaves the folder's last access time as it is where this user may ask that (the owner, or
  // a privileged user: whoever may set the folder's times at all).
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  int listed = openat(opened->Descriptor(), ".", kFlags | O_NOATIME);
  if (listed < 0 && errno == EPERM) {
    listed = openat(opened->Descriptor(), ".", kFlags);
  }
  if (listed < 0) {
    return errno;
  }
  DIR* stream = fdopendir(listed);
  if (stream == nullptr) {
    const NativeError error = errno;
    close(listed);
    return error;
  }
  errno = 0;
  while (const dirent* entry = readdir(stream)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    entries.push_back({DecodeFileName(name), entry->d_type == DT_DIR, entry->d_type == DT_LNK});
  }
  const NativeError error = errno;
  closedir(stream);
  return error;
}

int OpenContents(OpenFile& file) {
  const LinuxOpenFile* opened = AsLinux(file);
  struct stat info {};
  if (opened == nullptr || fstat(opened->Descriptor(), &info) != 0 || !S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return -1;
  }
  // Through the descriptor's /proc entry: the inode that was opened, never a name again.
  const std::string entry = "/proc/self/fd/" + std::to_string(opened->Descriptor());
  constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  const int fd = open(entry.c_str(), kFlags | O_NOATIME);
  // Only the owner, or a privileged user, may leave the last access time as it is.
  return fd < 0 && errno == EPERM ? open(entry.c_str(), kFlags) : fd;
}

}  // namespace tempinex::platform
