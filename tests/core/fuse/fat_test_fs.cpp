// A small in-memory FUSE file system for the tests of the FAT, exFAT and ntfs3 attribute
// stores. It plays one volume of the kind named on its command line, answering as that kernel
// driver did when it was measured on Debian's 6.1 and 6.12 kernels:
//
//   vfat (the default), vfat-sys-immutable, exfat, exfat-no-ioctls:
//     every file and folder is 0755 (the mount's mask), read-only lives in the write bits; a
//     chmod only counts when it takes away or gives back the write bits and leaves the rest,
//     other changes are dropped without an error, set-id bits are refused (EPERM);
//     FAT_IOCTL_GET_ATTRIBUTES and FAT_IOCTL_SET_ATTRIBUTES answer as fs/fat/file.c does:
//     volume and directory cannot be set, the root folder takes no attributes, setting needs
//     the owner or CAP_FOWNER; no extended attribute at all (EOPNOTSUPP); times as the disk
//     keeps them (vfat: last write to 2 s, last access to the day; exFAT: 10 ms and 2 s); new
//     times for vfat's root folder are taken and dropped.
//   vfat-sys-immutable: setting or clearing System needs CAP_LINUX_IMMUTABLE, and a file with
//     System is immutable: no open for writing, chmod, new times, extended attributes, rename
//     or removal (EPERM), while the attribute ioctl still works for a caller with the
//     capability.
//   exfat: any set that involves System needs CAP_LINUX_IMMUTABLE (Linux 6.7 and later).
//   exfat-no-ioctls: exFAT before Linux 6.7, which has no attribute ioctls (ENOTTY) and keeps
//     read-only only through the write bits. (Write bits given back to a read-only file are
//     kept here; the exFAT driver, 6.1 and 6.12 alike, shows them but loses them at the next
//     mount, which a FUSE volume cannot show.)
//   ntfs3: the mode given is kept, any chmod too, and one without write bits sets read-only,
//     one with write bits clears it; system.ntfs_attrib is the attribute word, kept as
//     written (exactly four bytes, else EINVAL) but for the driver's own directory flag
//     0x10000000, which a folder always has and a file never: a new word with read-only takes
//     away the write bits, one without gives all three back, files and folders alike; new
//     files and folders have archive; other extended attributes are kept; the FAT ioctls are
//     unknown (ENOTTY); times to 100 ns.
//   smb-nodos: the kernel's SMB client on a Samba share with "store dos attributes = no":
//     every file and folder is 0755 (the mount's file_mode and dir_mode) and a chmod is taken
//     and dropped; user.cifs.dosattrib is taken and dropped (the client asks the server again
//     and hears archive for a file, directory for a folder); user.cifs.creationtime answers
//     what was last set, as the client does from its cache until the next mount; the client's
//     query-info ioctl cannot pass through FUSE (ENOTTY, as on an SMB1 mount); times to 100 ns.
//
// A FUSE file system cannot report a birth time; the drivers do.
//
// Usage: fat_test_fs MOUNTPOINT [KIND] (runs in the foreground, single threaded, until
// unmounted).

#define FUSE_USE_VERSION 35

#include <fuse.h>
#include <linux/fs.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kCapFowner = 3;
constexpr int kCapLinuxImmutable = 9;
constexpr char kNtfsAttrib[] = "system.ntfs_attrib";
constexpr mode_t kFatMode = 0755;  // 0777 less the mask of a mount made under umask 022
constexpr std::uint32_t kNtfs3Directory = 0x10000000;  // ntfs3's flag of an indexed folder

enum class Kind { kVfat, kVfatSysImmutable, kExfat, kExfatNoIoctls, kNtfs3, kSmbNodos };
constexpr char kCifsAttrib[] = "user.cifs.dosattrib";
constexpr char kCifsCreation[] = "user.cifs.creationtime";
constexpr mode_t kCifsMode = 0755;

struct Node {
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
  timespec atime{};
  timespec mtime{};
  timespec ctime{};
  std::string data;
  // FAT: hidden, system, volume, archive (read-only lives in the mode). ntfs3: the whole
  // attribute word, read-only included.
  std::uint32_t attrs = 0;
  std::map<std::string, std::string> xattrs;
};

std::map<std::string, Node> nodes;
Kind kind = Kind::kVfat;

bool IsFat() {
  return kind != Kind::kNtfs3 && kind != Kind::kSmbNodos;
}

timespec Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

timespec Floor(timespec time, time_t seconds, long nanoseconds) {
  time.tv_sec -= time.tv_sec % seconds;
  time.tv_nsec = nanoseconds ? time.tv_nsec - time.tv_nsec % nanoseconds : 0;
  return time;
}

// A last write time as the volume keeps it.
timespec WriteTime(timespec time) {
  switch (kind) {
    case Kind::kVfat:
    case Kind::kVfatSysImmutable:
      return Floor(time, 2, 0);
    case Kind::kExfat:
    case Kind::kExfatNoIoctls:
      return Floor(time, 1, 10'000'000);
    case Kind::kNtfs3:
    case Kind::kSmbNodos:
      break;
  }
  return Floor(time, 1, 100);
}

// A last access time as the volume keeps it (vfat: the day, in UTC as the mount's zone).
timespec AccessTime(timespec time) {
  switch (kind) {
    case Kind::kVfat:
    case Kind::kVfatSysImmutable:
      return Floor(time, 86400, 0);
    case Kind::kExfat:
    case Kind::kExfatNoIoctls:
      return Floor(time, 2, 0);
    case Kind::kNtfs3:
    case Kind::kSmbNodos:
      break;
  }
  return Floor(time, 1, 100);
}

void Touch(Node& node) {
  node.mtime = WriteTime(Now());
  node.ctime = Now();
}

Node* Find(const char* path) {
  const auto found = nodes.find(path);
  return found == nodes.end() ? nullptr : &found->second;
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

// On a vfat volume mounted sys_immutable the driver makes a file with System immutable.
bool Immutable(const Node& node) {
  return kind == Kind::kVfatSysImmutable && (node.attrs & ATTR_SYS);
}

// The caller's effective capabilities, as its /proc status shows them.
bool CallerHas(int capability) {
  const pid_t pid = fuse_get_context()->pid;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("CapEff:", 0) == 0) {
      const unsigned long long bits = std::stoull(line.substr(7), nullptr, 16);
      return (bits >> capability) & 1;
    }
  }
  return false;
}

bool CallerOwns(const Node& node) {
  return fuse_get_context()->uid == node.uid || CallerHas(kCapFowner);
}

// What the FAT driver's fat_make_attrs answers.
std::uint32_t MakeAttrs(const Node& node) {
  std::uint32_t attrs = node.attrs;
  if (S_ISDIR(node.mode)) {
    attrs |= ATTR_DIR;
  } else if (!(node.mode & 0222)) {
    attrs |= ATTR_RO;
  }
  return attrs;
}

// Stores attrs (the whole byte, read-only included) the way fat_ioctl_set_attributes does.
int SetFatAttrs(const char* path, Node& node, std::uint32_t attrs) {
  const bool isDir = S_ISDIR(node.mode);
  attrs &= 0xff & ~(ATTR_VOLUME | ATTR_DIR);
  attrs |= (node.attrs & ATTR_VOLUME) | (isDir ? ATTR_DIR : 0);
  const std::uint32_t old = MakeAttrs(node);
  if (std::strcmp(path, "/") == 0 && attrs != ATTR_DIR) {
    return -EINVAL;
  }
  const bool systemNeedsImmutable = kind == Kind::kExfat || kind == Kind::kVfatSysImmutable;
  if (systemNeedsImmutable && ((attrs | old) & ATTR_SYS) && !CallerHas(kCapLinuxImmutable)) {
    return -EPERM;
  }
  if (!CallerOwns(node)) {
    return -EPERM;
  }
  if (isDir) {
    node.attrs = attrs & (ATTR_VOLUME | ATTR_ARCH | ATTR_SYS | ATTR_HIDDEN | ATTR_RO);
  } else {
    node.mode = (attrs & ATTR_RO) ? (node.mode & ~0222) : (node.mode | 0200);
    node.attrs = attrs & (ATTR_VOLUME | ATTR_ARCH | ATTR_SYS | ATTR_HIDDEN);
  }
  node.ctime = Now();
  return 0;
}

int DoGetattr(const char* path, struct stat* st, fuse_file_info*) {
  const Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  *st = {};
  st->st_mode = node->mode;
  st->st_nlink = S_ISDIR(node->mode) ? 2 : 1;
  st->st_uid = node->uid;
  st->st_gid = node->gid;
  st->st_size = static_cast<off_t>(node->data.size());
  st->st_atim = node->atime;
  st->st_mtim = node->mtime;
  st->st_ctim = node->ctime;
  return 0;
}

int DoReaddir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
              fuse_readdir_flags) {
  const std::string folder = path;
  fill(buffer, ".", nullptr, 0, FUSE_FILL_DIR_PLUS);
  fill(buffer, "..", nullptr, 0, FUSE_FILL_DIR_PLUS);
  for (const auto& [name, node] : nodes) {
    if (name != "/" && Parent(name) == folder) {
      fill(buffer, name.substr(name.rfind('/') + 1).c_str(), nullptr, 0, FUSE_FILL_DIR_PLUS);
    }
  }
  return 0;
}

int Make(const char* path, mode_t mode) {
  if (Find(path)) {
    return -EEXIST;
  }
  if (!Find(Parent(path).c_str())) {
    return -ENOENT;
  }
  Node node;
  node.mode = IsFat() ? (mode & S_IFMT) | kFatMode : mode;
  if (kind == Kind::kSmbNodos) {
    node.mode = (mode & S_IFMT) | kCifsMode;
    const timespec now = Now();  // the server's creation time, as an NT time
    const std::uint64_t created = (now.tv_sec + 11644473600ull) * 10'000'000 + now.tv_nsec / 100;
    node.xattrs[kCifsCreation] = std::string(reinterpret_cast<const char*>(&created), 8);
  }
  node.uid = fuse_get_context()->uid;
  node.gid = fuse_get_context()->gid;
  node.atime = AccessTime(Now());
  node.mtime = WriteTime(Now());
  node.ctime = Now();
  if (IsFat()) {
    node.attrs = S_ISDIR(mode) ? 0 : ATTR_ARCH;  // new files carry archive, folders nothing
  } else {
    node.attrs = ATTR_ARCH | (S_ISDIR(mode) ? kNtfs3Directory : 0);
  }
  nodes[path] = node;
  return 0;
}

int DoCreate(const char* path, mode_t mode, fuse_file_info*) {
  return Make(path, S_IFREG | (mode & 0777));
}

int DoMkdir(const char* path, mode_t mode) {
  return Make(path, S_IFDIR | (mode & 0777));
}

bool HasChildren(const std::string& folder) {
  for (const auto& [name, node] : nodes) {
    if (name != "/" && name != folder && Parent(name) == folder) {
      return true;
    }
  }
  return false;
}

int DoUnlink(const char* path) {
  const Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (Immutable(*node)) {
    return -EPERM;
  }
  nodes.erase(path);
  return 0;
}

int DoRmdir(const char* path) {
  if (!Find(path)) {
    return -ENOENT;
  }
  if (HasChildren(path)) {
    return -ENOTEMPTY;
  }
  nodes.erase(path);
  return 0;
}

// Moves the node and, for a folder, everything under it.
int DoRename(const char* from, const char* to, unsigned int flags) {
  const Node* node = Find(from);
  if (!node) {
    return -ENOENT;
  }
  if (flags & ~RENAME_NOREPLACE) {
    return -EINVAL;
  }
  if (Immutable(*node)) {
    return -EPERM;
  }
  if (const Node* target = Find(to)) {
    if (flags & RENAME_NOREPLACE) {
      return -EEXIST;
    }
    if (Immutable(*target)) {
      return -EPERM;
    }
    if (HasChildren(to)) {
      return -ENOTEMPTY;
    }
    nodes.erase(to);
  }
  const std::string source = from;
  std::map<std::string, Node> moved;
  for (auto entry = nodes.begin(); entry != nodes.end();) {
    if (entry->first == source || entry->first.rfind(source + "/", 0) == 0) {
      moved[to + entry->first.substr(source.size())] = entry->second;
      entry = nodes.erase(entry);
    } else {
      ++entry;
    }
  }
  nodes.merge(moved);
  return 0;
}

int DoOpen(const char* path, fuse_file_info* info) {
  const Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (Immutable(*node) && ((info->flags & O_ACCMODE) != O_RDONLY || (info->flags & O_TRUNC))) {
    return -EPERM;
  }
  return 0;
}

int DoRead(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
  const Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (static_cast<std::size_t>(offset) >= node->data.size()) {
    return 0;
  }
  const std::size_t count = std::min(size, node->data.size() - static_cast<std::size_t>(offset));
  std::memcpy(buffer, node->data.data() + offset, count);
  return static_cast<int>(count);
}

int DoWrite(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (Immutable(*node)) {
    return -EPERM;
  }
  if (node->data.size() < offset + size) {
    node->data.resize(offset + size);
  }
  std::memcpy(node->data.data() + offset, buffer, size);
  Touch(*node);
  node->attrs |= ATTR_ARCH;
  return static_cast<int>(size);
}

int DoTruncate(const char* path, off_t size, fuse_file_info*) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (Immutable(*node)) {
    return -EPERM;
  }
  node->data.resize(static_cast<std::size_t>(size));
  Touch(*node);
  return 0;
}

// FAT: like fat_setattr and fat_sanitize_mode, set-id bits are refused and only taking away
// or giving back the write bits counts, which moves the read-only attribute; any other
// change is dropped without an error. ntfs3: the mode is kept, and its write bits are the
// read-only attribute.
int DoChmod(const char* path, mode_t mode, fuse_file_info*) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (!CallerOwns(*node) || Immutable(*node)) {
    return -EPERM;
  }
  if (kind == Kind::kSmbNodos) {
    return 0;  // the client sends read-only to the server, which drops it
  }
  if (kind == Kind::kNtfs3) {
    node->mode = (node->mode & S_IFMT) | (mode & 07777);
    node->attrs = (mode & 0222) ? (node->attrs & ~ATTR_RO) : (node->attrs | ATTR_RO);
  } else if (mode & 07000) {
    return -EPERM;
  } else if (!S_ISDIR(node->mode) && (mode & 0555) == (node->mode & 0555)) {
    node->mode = (mode & 0222) ? (node->mode | 0200) : (node->mode & ~0222);
  }
  node->ctime = Now();
  return 0;
}

int DoUtimens(const char* path, const timespec times[2], fuse_file_info*) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (Immutable(*node)) {
    return -EPERM;
  }
  if ((kind == Kind::kVfat || kind == Kind::kVfatSysImmutable) && std::strcmp(path, "/") == 0) {
    return 0;  // vfat's root folder has nowhere to keep times: taken, and dropped
  }
  const timespec now = Now();
  timespec* targets[2] = {&node->atime, &node->mtime};
  for (int i = 0; i < 2; ++i) {
    if (times[i].tv_nsec == UTIME_OMIT) {
      continue;
    }
    const timespec time = times[i].tv_nsec == UTIME_NOW ? now : times[i];
    *targets[i] = i == 0 ? AccessTime(time) : WriteTime(time);
  }
  node->ctime = now;
  return 0;
}

int DoIoctl(const char* path, unsigned int cmd, void*, fuse_file_info*, unsigned int, void* data) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (kind == Kind::kNtfs3 || kind == Kind::kExfatNoIoctls || kind == Kind::kSmbNodos) {
    return -ENOTTY;
  }
  switch (cmd) {
    case FAT_IOCTL_GET_ATTRIBUTES: {
      const std::uint32_t attrs = MakeAttrs(*node);
      std::memcpy(data, &attrs, sizeof attrs);
      return 0;
    }
    case FAT_IOCTL_SET_ATTRIBUTES: {
      std::uint32_t attrs = 0;
      std::memcpy(&attrs, data, sizeof attrs);
      return SetFatAttrs(path, *node, attrs);
    }
    default:
      return -ENOTTY;
  }
}

int DoGetxattr(const char* path, const char* name, char* value, size_t size) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (IsFat()) {
    return -EOPNOTSUPP;
  }
  std::string stored;
  if (kind == Kind::kSmbNodos && std::strcmp(name, kCifsAttrib) == 0) {
    const std::uint32_t attrs = S_ISDIR(node->mode) ? ATTR_DIR : ATTR_ARCH;
    stored.assign(reinterpret_cast<const char*>(&attrs), sizeof attrs);
  } else if (kind != Kind::kNtfs3 && std::strcmp(name, kNtfsAttrib) == 0) {
    return -EOPNOTSUPP;
  } else if (std::strcmp(name, kNtfsAttrib) == 0) {
    stored.assign(reinterpret_cast<const char*>(&node->attrs), sizeof node->attrs);
  } else {
    const auto found = node->xattrs.find(name);
    if (found == node->xattrs.end()) {
      return -ENODATA;
    }
    stored = found->second;
  }
  if (size == 0) {
    return static_cast<int>(stored.size());
  }
  if (size < stored.size()) {
    return -ERANGE;
  }
  std::memcpy(value, stored.data(), stored.size());
  return static_cast<int>(stored.size());
}

// system.ntfs_attrib as ntfs3_setxattr takes it: exactly four bytes, the directory flag as the
// node is, and only a word that differs from the old one moves the write bits (clearing
// read-only gives all three back); no capability asked.
int DoSetxattr(const char* path, const char* name, const char* value, size_t size, int) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (Immutable(*node)) {
    return -EPERM;
  }
  if (IsFat()) {
    return -EOPNOTSUPP;
  }
  if (kind == Kind::kSmbNodos) {
    if (std::strcmp(name, kCifsAttrib) == 0 && size == 4) {
      return 0;  // sent to the server, which keeps nothing of it
    }
    if (std::strcmp(name, kCifsCreation) == 0 && size == 8) {
      node->xattrs[name] = std::string(value, size);  // the client's cache
      return 0;
    }
    return -EOPNOTSUPP;
  }
  if (std::strcmp(name, kNtfsAttrib) == 0) {
    if (size != sizeof(std::uint32_t)) {
      return -EINVAL;
    }
    std::uint32_t attrs = 0;
    std::memcpy(&attrs, value, sizeof attrs);
    attrs = S_ISDIR(node->mode) ? (attrs | kNtfs3Directory) : (attrs & ~kNtfs3Directory);
    if (attrs != node->attrs) {
      node->attrs = attrs;
      node->mode = (attrs & ATTR_RO) ? (node->mode & ~0222) : (node->mode | 0222);
    }
    node->ctime = Now();
    return 0;
  }
  node->xattrs[name] = std::string(value, size);
  return 0;
}

bool KindNamed(const std::string& name) {
  const std::map<std::string, Kind> kinds = {
      {"vfat", Kind::kVfat},   {"vfat-sys-immutable", Kind::kVfatSysImmutable},
      {"exfat", Kind::kExfat}, {"exfat-no-ioctls", Kind::kExfatNoIoctls},
      {"ntfs3", Kind::kNtfs3}, {"smb-nodos", Kind::kSmbNodos}};
  const auto found = kinds.find(name);
  if (found == kinds.end()) {
    return false;
  }
  kind = found->second;
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2 || (argc > 2 && !KindNamed(argv[2]))) {
    std::fprintf(stderr,
                 "usage: %s MOUNTPOINT [vfat | vfat-sys-immutable | exfat | exfat-no-ioctls | "
                 "ntfs3 | smb-nodos]\n",
                 argv[0]);
    return 2;
  }
  Node root;
  root.mode = S_IFDIR | (IsFat() ? kFatMode : kind == Kind::kSmbNodos ? kCifsMode : 0755);
  root.atime = root.mtime = root.ctime = Now();
  nodes["/"] = root;

  fuse_operations operations{};
  operations.getattr = DoGetattr;
  operations.readdir = DoReaddir;
  operations.create = DoCreate;
  operations.mkdir = DoMkdir;
  operations.unlink = DoUnlink;
  operations.rmdir = DoRmdir;
  operations.rename = DoRename;
  operations.open = DoOpen;
  operations.read = DoRead;
  operations.write = DoWrite;
  operations.truncate = DoTruncate;
  operations.chmod = DoChmod;
  operations.utimens = DoUtimens;
  operations.ioctl = DoIoctl;
  operations.getxattr = DoGetxattr;
  operations.setxattr = DoSetxattr;

  // Foreground, one thread, no kernel permission checks beyond ours, no caching of attributes
  // so that every stat sees what the last ioctl stored.
  std::vector<char*> args = {argv[0],
                             const_cast<char*>("-f"),
                             const_cast<char*>("-s"),
                             const_cast<char*>("-o"),
                             const_cast<char*>("attr_timeout=0,entry_timeout=0"),
                             argv[1]};
  return fuse_main(static_cast<int>(args.size()), args.data(), &operations, nullptr);
}
