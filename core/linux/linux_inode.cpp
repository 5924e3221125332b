#include "linux_inode.hpp"

#include <unistd.h>

#include <cerrno>
#include <limits>
#include <optional>

#include "store_select.hpp"

namespace tempinex::platform::linux_fs {

NativeError ReadInode(const FileRef& file, bool dotName, Inode& inode) {
  if (const NativeError error = file.Stat(inode.info); error != 0) {
    return error;
  }
  inode.dotName = dotName;
  inode.store = &StoreFor(inode.info, file);
  inode.record = StoreRecord{};
  if (IsRegular(inode) || IsDirectory(inode)) {
    inode.store->ReadRecord(file, inode);
  }
  return 0;
}

FileIdentity IdentityOf(const Inode& inode) {
  return {(static_cast<std::uint64_t>(inode.info.stx_dev_major) << 32) | inode.info.stx_dev_minor,
          inode.info.stx_ino};
}

std::uint32_t AttributesOf(const Inode& inode, const FileRef& file) {
  std::uint32_t attributes = inode.store->AttributeWord(inode);
  if (inode.store->IsCompressed(inode, file)) {
    attributes |= kAttrCompressed;
  }
  return attributes;
}

AttributeData DataOf(const Inode& inode, const FileRef& file) {
  AttributeData data;
  data.attributes = AttributesOf(inode, file);
  data.creation = inode.store->CreationTime(inode);
  data.lastAccess = FileTimeFromTimestamp(inode.info.stx_atime);
  data.lastWrite = FileTimeFromTimestamp(inode.info.stx_mtime);
  data.size = IsDirectory(inode) ? 0 : inode.info.stx_size;
  return data;
}

PreciseTimes TimesOf(const Inode& inode) {
  PreciseTimes times;
  const FileTime creation = inode.store->CreationTime(inode);
  // A creation time kept as a file time has 100-ns units; the birth time has nanoseconds.
  const bool isBirthTime = (inode.info.stx_mask & STATX_BTIME) &&
                           creation == FileTimeFromTimestamp(inode.info.stx_btime);
  if (isBirthTime) {
    times.creation = PreciseFromTimestamp(inode.info.stx_btime);
  } else if (creation != 0) {
    times.creation = PreciseFromFileTime(creation);
  }
  times.lastAccess = PreciseFromTimestamp(inode.info.stx_atime);
  times.lastWrite = PreciseFromTimestamp(inode.info.stx_mtime);
  return times;
}

bool IsDirectory(const Inode& inode) {
  return S_ISDIR(inode.info.stx_mode);
}
bool IsRegular(const Inode& inode) {
  return S_ISREG(inode.info.stx_mode);
}
bool IsLink(const Inode& inode) {
  return S_ISLNK(inode.info.stx_mode);
}
bool HasWriteBits(const Inode& inode) {
  return (inode.info.stx_mode & 0222) != 0;
}

std::string_view LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') {
    path.remove_suffix(1);
  }
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsDotName(std::string_view path) {
  const std::string_view name = LastComponent(path);
  return name.size() > 1 && name[0] == '.' && name != "..";
}

namespace {

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

bool SameTime(const struct statx_timestamp& stamp, const PreciseTime& time) {
  return stamp.tv_sec == time.seconds &&
         static_cast<std::int32_t>(stamp.tv_nsec) == time.nanoseconds;
}

void KeepTime(struct statx_timestamp& stamp, const PreciseTime& time) {
  stamp.tv_sec = time.seconds;
  stamp.tv_nsec = static_cast<std::uint32_t>(time.nanoseconds);
}

// Every Linux file system keeps a last-access or last-write time between these as it is given,
// to its own precision. Outside them a volume may silently keep another one: ext4 clamps to
// 1901-12-13 and 2446-05-10, 128-byte ext2/ext3 inodes to 2038-01-19, FAT to 1980 and 2107.
constexpr std::int64_t kAlwaysKeptFrom = 315'619'200;     // 1980-01-02T00:00:00Z
constexpr std::int64_t kAlwaysKeptUntil = 2'147'385'600;  // 2038-01-18T00:00:00Z

bool MayNotBeKept(const std::optional<PreciseTime>& time) {
  return time && (time->seconds < kAlwaysKeptFrom || time->seconds >= kAlwaysKeptUntil);
}

// True when the volume kept `wanted` as `kept`: the same time, or one cut down to the volume's
// precision, which is finer than `precision` seconds (FAT keeps the last write to two seconds
// and the last access to the local day). A clamped time differs by more, or lies later.
bool KeptAsWanted(const struct statx_timestamp& kept, const PreciseTime& wanted,
                  std::int64_t precision) {
  const PreciseTime time = PreciseFromTimestamp(kept);
  return time <= wanted && wanted.seconds - time.seconds < precision;
}

// Reads back the times of `change` that a volume may not keep: 0, or ERANGE when it kept
// another time than the one given.
NativeError CheckKept(const FileRef& file, const Change& change) {
  if (!MayNotBeKept(change.lastAccess) && !MayNotBeKept(change.lastWrite)) {
    return 0;
  }
  struct statx info {};
  if (const NativeError error = file.Stat(info); error != 0) {
    return error;
  }
  constexpr std::int64_t kLastAccessPrecision = 86'400;
  constexpr std::int64_t kLastWritePrecision = 2;
  const bool accessKept =
      !change.lastAccess || KeptAsWanted(info.stx_atime, *change.lastAccess, kLastAccessPrecision);
  const bool writeKept =
      !change.lastWrite || KeptAsWanted(info.stx_mtime, *change.lastWrite, kLastWritePrecision);
  return accessKept && writeKept ? 0 : ERANGE;
}

}  // namespace

mode_t WritableMode(mode_t mode) {
  return mode | ((0600 | ((mode & 044) >> 1)) & ~CurrentUmask());
}

NativeError ChangeMode(const FileRef& file, Inode& inode, mode_t mode) {
  if (const NativeError error = file.ChangeMode(mode); error != 0) {
    return error;
  }
  inode.info.stx_mode = static_cast<std::uint16_t>((inode.info.stx_mode & S_IFMT) | (mode & 07777));
  return 0;
}

NativeError SetAccessAndWrite(const FileRef& file, Inode& inode, const Change& change) {
  if (!change.lastAccess && !change.lastWrite) {
    return 0;
  }
  struct timespec times[2];
  times[0] = change.lastAccess ? TimespecFromPrecise(*change.lastAccess) : timespec{0, UTIME_OMIT};
  times[1] = change.lastWrite ? TimespecFromPrecise(*change.lastWrite) : timespec{0, UTIME_OMIT};
  if (const NativeError error = file.SetTimes(times); error != 0) {
    return error;
  }
  // A time the volume cannot store fails the step, so that the change is put back rather than
  // left clamped.
  if (const NativeError error = CheckKept(file, change); error != 0) {
    return error;
  }
  if (change.lastAccess) {
    KeepTime(inode.info.stx_atime, *change.lastAccess);
  }
  if (change.lastWrite) {
    KeepTime(inode.info.stx_mtime, *change.lastWrite);
  }
  return 0;
}

SavedState SavedOf(const Inode& inode) {
  SavedState state;
  state.identity = IdentityOf(inode);
  state.mode = inode.info.stx_mode & 07777;
  state.lastAccess = PreciseFromTimestamp(inode.info.stx_atime);
  state.lastWrite = PreciseFromTimestamp(inode.info.stx_mtime);
  for (const SavedValue& value : inode.record.raw) {
    if (!value.name.empty()) {
      state.values.push_back(value);
    }
  }
  return state;
}

namespace {

NativeError PutBackValues(const FileRef& file, const SavedState& state, bool removable) {
  NativeError first = 0;
  for (const SavedValue& saved : state.values) {
    if (!saved.known) {
      continue;  // never guess at a value that could not be read
    }
    // Only what differs is written: each write moves the change time.
    const SavedValue current = file.Get(saved.name.c_str());
    if (current.known && current.bytes == saved.bytes) {
      continue;
    }
    NativeError error = 0;
    if (saved.bytes) {
      error = file.Set(saved.name.c_str(), *saved.bytes);
    } else if (removable) {
      error = file.Remove(saved.name.c_str());
    }
    if (first == 0) {
      first = error;
    }
  }
  return first;
}

}  // namespace

NativeError PutBackCommon(const FileRef& file, const Inode& now, const SavedState& state,
                          const PutBackParts& parts) {
  NativeError first = 0;
  const auto keep = [&first](NativeError error) {
    if (first == 0) {
      first = error;
    }
  };
  const mode_t mode = now.info.stx_mode & 07777;
  const bool modeDiffers = parts.mode && mode != (state.mode & 07777);
  const bool modeFirst = modeDiffers && (mode & 0222) == 0 && (state.mode & 0222) != 0;
  if (modeFirst) {
    keep(file.ChangeMode(state.mode));
  }
  if (parts.values) {
    keep(PutBackValues(file, state, parts.removable));
  }
  if (parts.times && !(SameTime(now.info.stx_atime, state.lastAccess) &&
                       SameTime(now.info.stx_mtime, state.lastWrite))) {
    const struct timespec times[2] = {TimespecFromPrecise(state.lastAccess),
                                      TimespecFromPrecise(state.lastWrite)};
    keep(file.SetTimes(times));
  }
  if (modeDiffers && !modeFirst) {
    keep(file.ChangeMode(state.mode));
  }
  return first;
}

FileTime FileTimeFromTimestamp(const struct statx_timestamp& stamp) {
  // Linux keeps 64-bit seconds, far more than a file time can count. A later time becomes the
  // latest one that still takes any zone's shift to local time, so that it is met like every
  // other time past the year 3001 instead of wrapping round to some other date.
  constexpr std::int64_t kLatestTicks =
      std::numeric_limits<std::int64_t>::max() - 86'400 * kTicksPerSecond;
  if (stamp.tv_sec > kLatestTicks / kTicksPerSecond - kSecondsFrom1601To1970 - 1) {
    return static_cast<FileTime>(kLatestTicks);
  }
  return FileTimeFromPrecise(PreciseFromTimestamp(stamp));
}

PreciseTime PreciseFromTimestamp(const struct statx_timestamp& stamp) {
  return {stamp.tv_sec, static_cast<std::int32_t>(stamp.tv_nsec)};
}

struct timespec TimespecFromPrecise(const PreciseTime& time) {
  struct timespec result {};
  result.tv_sec = time.seconds;
  result.tv_nsec = time.nanoseconds;
  return result;
}

}  // namespace tempinex::platform::linux_fs
