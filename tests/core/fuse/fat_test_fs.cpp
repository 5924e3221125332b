// A small in-memory FUSE file system for the tests of the FAT and ntfs3 attribute stores. It
// keeps a FAT attribute byte per file and answers FAT_IOCTL_GET_ATTRIBUTES and
// FAT_IOCTL_SET_ATTRIBUTES the way the vfat driver does (fs/fat/file.c): read-only lives in the
// write bits, volume and directory cannot be set, the root folder takes no attributes, setting
// needs the owner or CAP_FOWNER, and with --system-needs-immutable (exfat) any set that
// involves System needs CAP_LINUX_IMMUTABLE. With --sys-immutable (vfat mounted sys_immutable)
// it needs it too, and a file with System is immutable: its times cannot be set. It also
// answers system.ntfs_attrib from the same byte, the way ntfs3 does (fs/ntfs3/xattr.c).
//
// Usage: fat_test_fs MOUNTPOINT [--system-needs-immutable | --sys-immutable] (runs in the
// foreground, single threaded, until unmounted).

#define FUSE_USE_VERSION 35

#include <fuse.h>
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

struct Node {
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
  timespec atime{};
  timespec mtime{};
  timespec ctime{};
  std::string data;
  std::uint8_t attrs = 0;  // hidden, system, volume, archive (read-only lives in the mode)
  std::map<std::string, std::string> xattrs;
};

std::map<std::string, Node> nodes;
bool systemNeedsImmutable = false;
bool systemIsImmutable = false;

timespec Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

Node* Find(const char* path) {
  const auto found = nodes.find(path);
  return found == nodes.end() ? nullptr : &found->second;
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
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

// What the driver's fat_make_attrs answers.
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
int SetAttrs(const char* path, Node& node, std::uint32_t attrs) {
  const bool isDir = S_ISDIR(node.mode);
  attrs &= 0xff & ~(ATTR_VOLUME | ATTR_DIR);
  attrs |= (node.attrs & ATTR_VOLUME) | (isDir ? ATTR_DIR : 0);
  const std::uint32_t old = MakeAttrs(node);
  if (std::strcmp(path, "/") == 0 && attrs != ATTR_DIR) {
    return -EINVAL;
  }
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
  node.mode = mode;
  node.uid = fuse_get_context()->uid;
  node.gid = fuse_get_context()->gid;
  node.atime = node.mtime = node.ctime = Now();
  node.attrs = S_ISDIR(mode) ? 0 : ATTR_ARCH;  // new files carry archive, as on FAT
  nodes[path] = node;
  return 0;
}

int DoCreate(const char* path, mode_t mode, fuse_file_info*) {
  return Make(path, S_IFREG | (mode & 0777));
}

int DoOpen(const char* path, fuse_file_info*) {
  return Find(path) ? 0 : -ENOENT;
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
  if (node->data.size() < offset + size) {
    node->data.resize(offset + size);
  }
  std::memcpy(node->data.data() + offset, buffer, size);
  node->mtime = node->ctime = Now();
  node->attrs |= ATTR_ARCH;
  return static_cast<int>(size);
}

int DoTruncate(const char* path, off_t size, fuse_file_info*) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  node->data.resize(static_cast<std::size_t>(size));
  node->mtime = node->ctime = Now();
  return 0;
}

// Like fat_sanitize_mode: only taking away or giving back the write bits counts, and it moves
// the read-only attribute; any other change is dropped without an error.
int DoChmod(const char* path, mode_t mode, fuse_file_info*) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (!CallerOwns(*node)) {
    return -EPERM;
  }
  if (!S_ISDIR(node->mode) && (mode & 0555) == (node->mode & 0555)) {
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
  if (systemIsImmutable && (node->attrs & ATTR_SYS)) {
    return -EPERM;
  }
  const timespec now = Now();
  timespec* targets[2] = {&node->atime, &node->mtime};
  for (int i = 0; i < 2; ++i) {
    if (times[i].tv_nsec == UTIME_NOW) {
      *targets[i] = now;
    } else if (times[i].tv_nsec != UTIME_OMIT) {
      *targets[i] = times[i];
    }
  }
  node->ctime = now;
  return 0;
}

int DoIoctl(const char* path, unsigned int cmd, void*, fuse_file_info*, unsigned int, void* data) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
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
      return SetAttrs(path, *node, attrs);
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
  std::string stored;
  if (std::strcmp(name, kNtfsAttrib) == 0) {
    const std::uint32_t attrs = MakeAttrs(*node);
    stored.assign(reinterpret_cast<const char*>(&attrs), sizeof attrs);
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

// system.ntfs_attrib as ntfs3 takes it: exactly four bytes, the directory bit kept as the file
// is, read-only moving the write bits; no capability asked.
int DoSetxattr(const char* path, const char* name, const char* value, size_t size, int) {
  Node* node = Find(path);
  if (!node) {
    return -ENOENT;
  }
  if (std::strcmp(name, kNtfsAttrib) == 0) {
    if (size != sizeof(std::uint32_t)) {
      return -EINVAL;
    }
    std::uint32_t attrs = 0;
    std::memcpy(&attrs, value, sizeof attrs);
    if (S_ISDIR(node->mode)) {
      node->attrs = attrs & (ATTR_VOLUME | ATTR_ARCH | ATTR_SYS | ATTR_HIDDEN | ATTR_RO);
    } else {
      node->mode = (attrs & ATTR_RO) ? (node->mode & ~0222) : (node->mode | 0222);
      node->attrs = attrs & (ATTR_VOLUME | ATTR_ARCH | ATTR_SYS | ATTR_HIDDEN);
    }
    node->ctime = Now();
    return 0;
  }
  node->xattrs[name] = std::string(value, size);
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s MOUNTPOINT [--system-needs-immutable | --sys-immutable]\n",
                 argv[0]);
    return 2;
  }
  const std::string mode = argc > 2 ? argv[2] : "";
  systemIsImmutable = mode == "--sys-immutable";
  systemNeedsImmutable = systemIsImmutable || mode == "--system-needs-immutable";
  Node root;
  root.mode = S_IFDIR | 0755;
  root.atime = root.mtime = root.ctime = Now();
  nodes["/"] = root;

  fuse_operations operations{};
  operations.getattr = DoGetattr;
  operations.readdir = DoReaddir;
  operations.create = DoCreate;
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
