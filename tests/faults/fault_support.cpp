#include "fault_support.hpp"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "file_name.hpp"

namespace tempinex::faults {

namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return std::int64_t{time.tv_sec} * 1000000000 + time.tv_nsec;
}

// Reads without touching the access time, which is part of what is compared.
std::string ReadContents(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NOATIME | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return "<unreadable: " + std::string(std::strerror(errno)) + ">";
  }
  std::string contents;
  char buffer[65536];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) {
    contents.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return contents;
}

std::map<std::string, std::string> ReadXattrs(const std::string& path) {
  std::map<std::string, std::string> xattrs;
  char names[4096];
  const ssize_t length = llistxattr(path.c_str(), names, sizeof names);
  for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
    char value[4096];
    const ssize_t size = lgetxattr(path.c_str(), names + at, value, sizeof value);
    xattrs[names + at] = size < 0 ? "<unreadable>" : std::string(value, static_cast<size_t>(size));
  }
  return xattrs;
}

void Record(const std::string& path, Snapshot& snapshot) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    return;
  }
  EntryState state;
  state.mode = info.st_mode;
  state.uid = info.st_uid;
  state.gid = info.st_gid;
  state.mtimeNs = Nanoseconds(info.st_mtim);
  // Listing a folder or reading a link (as this snapshot does) moves its access time.
  state.atimeNs = S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode) ? 0 : Nanoseconds(info.st_atim);
  if (S_ISREG(info.st_mode)) {
    state.contents = ReadContents(path);
  } else if (S_ISLNK(info.st_mode)) {
    state.contents = std::filesystem::read_symlink(path).string();
  }
  state.xattrs = ReadXattrs(path);
  // Taken last: nothing above may change it, and any write to the entry does.
  struct stat after;
  state.ctimeNs = lstat(path.c_str(), &after) == 0 ? Nanoseconds(after.st_ctim) : -1;
  snapshot[path] = state;
  if (S_ISDIR(info.st_mode)) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path, ignored)) {
      Record(entry.path().string(), snapshot);
    }
  }
}

std::string Describe(const EntryState& state) {
  return "mode " + std::to_string(state.mode) + " size " + std::to_string(state.contents.size()) +
         " mtime " + std::to_string(state.mtimeNs) + " atime " + std::to_string(state.atimeNs) +
         " ctime " + std::to_string(state.ctimeNs) + " xattrs " +
         std::to_string(state.xattrs.size());
}

}  // namespace

void IgnoreAccessTime(Snapshot& snapshot, const std::string& path) {
  if (const auto entry = snapshot.find(path); entry != snapshot.end()) {
    entry->second.atimeNs = 0;
  }
}

Snapshot TakeSnapshot(const std::string& root) {
  Snapshot snapshot;
  Record(root, snapshot);
  return snapshot;
}

std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after,
                                     const std::set<std::string>& expected) {
  std::vector<std::string> found;
  for (const auto& [path, state] : before) {
    if (expected.count(path) != 0) {
      continue;
    }
    const auto other = after.find(path);
    if (other == after.end()) {
      found.push_back("removed: " + path);
    } else if (!(other->second == state)) {
      found.push_back("changed: " + path + " from " + Describe(state) + " to " +
                      Describe(other->second));
    }
  }
  for (const auto& [path, state] : after) {
    if (expected.count(path) == 0 && before.count(path) == 0) {
      found.push_back("added: " + path);
    }
  }
  return found;
}

FaultFolder::FaultFolder() {
  char pattern[] = "/tmp/tempinex-fault-XXXXXX";
  if (const char* made = mkdtemp(pattern)) {
    path = made;
    chmod(made, 0755);
  } else {
    ADD_FAILURE() << "cannot create a temporary folder";
  }
}

FaultFolder::~FaultFolder() {
  std::error_code ignored;
  // A read-only leftover of a failed test must not stop the clean-up.
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path, ignored);
}

void WriteFile(const std::string& path, const std::string& contents) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
  ASSERT_EQ(write(fd, contents.data(), contents.size()), static_cast<ssize_t>(contents.size()));
  close(fd);
}

std::u16string U(const std::string& bytes) {
  return DecodeFileName(bytes);
}

ScopedMount::ScopedMount(const std::string& source, const std::string& target,
                         const std::string& type, unsigned long flags, const std::string& options)
    : target(target) {
  if (mount(source.c_str(), target.c_str(), type.empty() ? nullptr : type.c_str(), flags,
            options.empty() ? nullptr : options.c_str()) != 0) {
    error = errno;
  }
}

ScopedMount::~ScopedMount() {
  if (error == 0) {
    umount2(target.c_str(), MNT_DETACH);
  }
}

int BindReadOnly(const std::string& source, const std::string& target,
                 std::optional<ScopedMount>& mount) {
  mount.emplace(source, target, "", MS_BIND, "");
  if (mount->error != 0) {
    return mount->error;
  }
  if (::mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    return errno;
  }
  return 0;
}

ChildResult RunInChild(const std::function<std::string()>& body, unsigned seconds,
                       std::optional<uid_t> asUser) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    return {false, "pipe failed"};
  }
  const std::optional<std::pair<uid_t, gid_t>> nobody = NobodyIds();
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    alarm(seconds);  // a hang ends in SIGALRM, which the parent sees
    std::string report;
    if (asUser) {
      const gid_t group = nobody && nobody->first == *asUser ? nobody->second : *asUser;
      if (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(*asUser) != 0) {
        report = "cannot change to uid " + std::to_string(*asUser);
      }
    }
    if (report.empty()) {
      try {
        report = body();
      } catch (const FileError& error) {
        report = "FileError " + std::to_string(error.osError) + " on " + Narrow(error.path);
      } catch (const std::exception& error) {
        report = std::string("exception: ") + error.what();
      }
    }
    (void)!write(pipeEnds[1], report.data(), report.size());
    close(pipeEnds[1]);
    _exit(0);
  }
  close(pipeEnds[1]);
  ChildResult result;
  char buffer[4096];
  ssize_t got;
  while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
    result.report.append(buffer, static_cast<std::size_t>(got));
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (WIFSIGNALED(status)) {
    result.report += " [killed by signal " + std::to_string(WTERMSIG(status)) + "]";
  }
  return result;
}

std::optional<std::pair<uid_t, gid_t>> NobodyIds() {
  if (const passwd* entry = getpwnam("nobody")) {
    return std::make_pair(entry->pw_uid, entry->pw_gid);
  }
  return std::nullopt;
}

FileStatus WriteTimeOnly() {
  FileStatus status;
  status.modified = kNewWriteTime;
  return status;
}

std::string Narrow(const std::u16string& text) {
  return Utf8FromUtf16(text);
}

}  // namespace tempinex::faults
