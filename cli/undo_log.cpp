#include "undo_log.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <vector>

#include "arguments.hpp"
#include "messages.hpp"
#include "set_plan.hpp"
#include "show.hpp"
#include "time_text.hpp"

namespace tempinex::cli {

namespace {

using nlohmann::json;

constexpr const char* kHeader = "tempinex undo log";
constexpr int kVersion = 3;

std::string FromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) {
    throw std::invalid_argument("hex");
  }
  std::string bytes;
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    std::size_t used = 0;
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), &used, 16));
    if (used != 2) {
      throw std::invalid_argument("hex");
    }
  }
  return bytes;
}

// JSON holds text only: a name that is not valid UTF-8 is kept as its bytes in hex.
void PutName(json& line, const std::string& name) {
  if (IsValidUtf8(name)) {
    line["path"] = name;
  } else {
    line["pathBytes"] = Hex(name);
  }
}

std::string GetName(const json& line) {
  return line.contains("path") ? line.at("path").get<std::string>()
                               : FromHex(line.at("pathBytes").get<std::string>());
}

json TimeJson(const PreciseTime& time) {
  return json::array({time.seconds, time.nanoseconds});
}

// [seconds, nanoseconds]; in logs of version 1, a number of 100-nanosecond units since 1601.
PreciseTime TimeFrom(const json& value) {
  if (value.is_number_unsigned()) {
    return PreciseFromFileTime(value.get<FileTime>());
  }
  const PreciseTime time{value.at(0).get<std::int64_t>(), value.at(1).get<std::int32_t>()};
  if (time.nanoseconds < 0 || time.nanoseconds > 999'999'999) {
    throw std::out_of_range("time");
  }
  return time;
}

// A creation time: null, or 0 in logs of version 1, when the file keeps none.
std::optional<PreciseTime> CreatedFrom(const json& value) {
  if (value.is_null() || (value.is_number_unsigned() && value.get<FileTime>() == 0)) {
    return std::nullopt;
  }
  return TimeFrom(value);
}

json StateJson(const FileState& state) {
  return {{"attributes", state.attributes},
          {"created", state.created ? TimeJson(*state.created) : json(nullptr)},
          {"modified", TimeJson(state.modified)},
          {"accessed", TimeJson(state.accessed)},
          {"size", state.size}};
}

FileState StateFrom(const json& value) {
  FileState state;
  state.attributes = value.at("attributes").get<std::uint32_t>();
  state.created = CreatedFrom(value.at("created"));
  state.modified = TimeFrom(value.at("modified"));
  state.accessed = TimeFrom(value.at("accessed"));
  state.size = value.at("size").get<std::uint64_t>();
  return state;
}

json SavedJson(const SavedState& saved) {
  json values = json::array();
  for (const SavedValue& value : saved.values) {
    json item = {{"name", value.name}};
    if (!value.known) {
      item["unknown"] = true;
    } else {
      item["bytes"] = value.bytes ? json(Hex(*value.bytes)) : json(nullptr);
    }
    values.push_back(item);
  }
  return {{"identity", {saved.identity.volume, saved.identity.index}},
          {"mode", saved.mode},
          {"created", TimeJson(saved.creation)},
          {"accessed", TimeJson(saved.lastAccess)},
          {"modified", TimeJson(saved.lastWrite)},
          {"values", values}};
}

SavedState SavedFrom(const json& value) {
  SavedState saved;
  const json& identity = value.at("identity");
  saved.identity = {identity.at(0).get<std::uint64_t>(), identity.at(1).get<std::uint64_t>()};
  saved.mode = value.at("mode").get<std::uint32_t>();
  saved.creation = TimeFrom(value.at("created"));
  saved.lastAccess = TimeFrom(value.at("accessed"));
  saved.lastWrite = TimeFrom(value.at("modified"));
  for (const json& item : value.at("values")) {
    SavedValue read{item.at("name").get<std::string>(), !item.value("unknown", false), {}};
    if (read.known && !item.at("bytes").is_null()) {
      read.bytes = FromHex(item.at("bytes").get<std::string>());
    }
    saved.values.push_back(std::move(read));
  }
  return saved;
}

bool IsHeader(const json& line) {
  const int version = line.is_object() ? line.value(kHeader, 0) : 0;
  return version >= 1 && version <= kVersion;
}

int SyncFolderOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : file.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  const int error = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return error;
}

struct Entry {
  std::string name;
  bool link = false;
  FileState before;
  FileState planned;
  std::optional<FileState> after;
  std::optional<SavedState> savedBefore;  // logs of version 3
  std::optional<SavedState> savedAfter;
};

// The same file, as undo compares it: the saved state of `now` holds that of `recorded`, the
// last access time only where the change set it (reading a file moves it otherwise). A value
// that could not be read when it was recorded is no evidence either way.
bool SameSaved(const SavedState& now, const SavedState& recorded, bool accessMatters) {
  if (now.identity != recorded.identity || now.mode != recorded.mode ||
      now.creation != recorded.creation || now.lastWrite != recorded.lastWrite ||
      (accessMatters && now.lastAccess != recorded.lastAccess)) {
    return false;
  }
  for (const SavedValue& value : recorded.values) {
    if (!value.known) {
      continue;
    }
    const auto found = std::find_if(now.values.begin(), now.values.end(),
                                    [&](const SavedValue& v) { return v.name == value.name; });
    if (found == now.values.end() || !found->known || found->bytes != value.bytes) {
      return false;
    }
  }
  return true;
}

// Logs without a saved state, and an entry whose after line is missing, compare what show
// prints: the attributes undo edits, whether it is a folder, the size, and the times to the
// 100 ns of a file time, as logs of version 1 and 2 kept them.
FileTime Ticks(const std::optional<PreciseTime>& time) {
  return time ? FileTimeFromPrecise(*time) : 0;
}

bool Same(const FileState& now, const FileState& recorded, bool accessMatters) {
  constexpr std::uint32_t kCompared = kEditable | kDirectory;
  return (now.attributes & kCompared) == (recorded.attributes & kCompared) &&
         Ticks(now.created) == Ticks(recorded.created) &&
         Ticks(now.modified) == Ticks(recorded.modified) && now.size == recorded.size &&
         (!accessMatters || Ticks(now.accessed) == Ticks(recorded.accessed));
}

// For logs without a saved state: the change that takes a file from now back to before.
Change Restoring(const FileState& now, const FileState& before, bool accessMatters) {
  Change change;
  if ((now.attributes & kEditable) != (before.attributes & kEditable)) {
    change.attributes = before.attributes & kEditable;
  }
  if (Ticks(now.created) != Ticks(before.created)) {
    change.created = before.created;
  }
  if (Ticks(now.modified) != Ticks(before.modified)) {
    change.modified = before.modified;
  }
  if (accessMatters && Ticks(now.accessed) != Ticks(before.accessed)) {
    change.accessed = before.accessed;
  }
  return change;
}

// The whole log, read without following a link and while no run is appending to it.
int ReadLog(const std::string& file, std::string& text) {
  const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  int error = flock(fd, LOCK_SH) == 0 ? 0 : errno;
  char buffer[65536];
  while (error == 0) {
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count == 0) {
      break;
    }
    if (count < 0 && errno != EINTR) {
      error = errno;
    } else if (count > 0) {
      text.append(buffer, static_cast<std::size_t>(count));
    }
  }
  close(fd);
  return error;
}

// The entries of the log, or nothing with why set. A last line cut short by an interrupted
// run is passed over.
std::optional<std::vector<Entry>> ReadEntries(const std::string& file, std::string& why) {
  std::string text;
  if (const int error = ReadLog(file, text)) {
    why = LogProblem(error);
    return std::nullopt;
  }
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    json line;
    try {
      line = json::parse(lines[i]);
      if (i == 0) {
        if (!IsHeader(line)) {
          why = _("not an undo log of tempinex");
          return std::nullopt;
        }
        continue;
      }
      const std::string kind = line.at("tempinex").get<std::string>();
      const std::string name = GetName(line);
      if (kind == "before") {
        Entry entry{name,
                    line.value("link", false),
                    StateFrom(line.at("before")),
                    StateFrom(line.at("planned")),
                    {},
                    {},
                    {}};
        if (line.contains("saved")) {
          entry.savedBefore = SavedFrom(line.at("saved"));
        }
        entries.push_back(std::move(entry));
      } else if (kind == "after" && !entries.empty() && entries.back().name == name &&
                 !entries.back().after) {
        entries.back().after = StateFrom(line.at("after"));
        if (line.contains("saved") && entries.back().savedBefore) {
          entries.back().savedAfter = SavedFrom(line.at("saved"));
        }
      } else {
        throw std::runtime_error("out of order");
      }
    } catch (const std::exception&) {
      if (i == 0) {
        why = _("not an undo log of tempinex");
        return std::nullopt;
      }
      if (i + 1 == lines.size()) {
        break;
      }
      why = Format(_("line %s is damaged"), {std::to_string(i + 1)});
      return std::nullopt;
    }
  }
  if (lines.empty()) {
    why = _("not an undo log of tempinex");
    return std::nullopt;
  }
  return entries;
}

// Puts back the saved state of an entry exactly, on the same file and only where it is still
// as the change left it; false when it had to be refused or could not be made exact.
bool RestoreSaved(const Entry& entry, File& file, const std::function<bool(std::string)>& refuse) {
  SavedState wanted = *entry.savedBefore;
  const SavedState now = file.Saved();
  const bool accessMatters = entry.savedAfter ? entry.savedAfter->lastAccess != wanted.lastAccess
                                              : entry.planned.accessed != entry.before.accessed;
  const bool asLeft = entry.savedAfter ? SameSaved(now, *entry.savedAfter, accessMatters)
                                       : now.identity == wanted.identity &&
                                             Same(file.State(), entry.planned, accessMatters);
  if (!asLeft) {
    if (SameSaved(now, wanted, accessMatters)) {
      return true;  // never changed, or restored already
    }
    return refuse(_("it has changed since the change was logged"));
  }
  if (!accessMatters) {
    wanted.lastAccess = now.lastAccess;  // left as it is now
  }
  if (const int error = file.PutBack(wanted); error != 0) {
    return refuse(std::strerror(error));
  }
  if (!SameSaved(file.Saved(), wanted, true)) {
    Complain(Format(_("cannot restore %s exactly"), {Quote(entry.name)}));
    return false;
  }
  return true;
}

// Restores an entry of a log without saved states from what show prints.
bool RestoreShown(const Entry& entry, File& file, const std::function<bool(std::string)>& refuse) {
  const FileState now = file.State();
  const FileState& left = entry.after.value_or(entry.planned);
  const bool accessMatters = Ticks(left.accessed) != Ticks(entry.before.accessed);
  if (!Same(now, left, accessMatters)) {
    if (Same(now, entry.before, accessMatters)) {
      return true;
    }
    return refuse(_("it has changed since the change was logged"));
  }
  const Change change = Restoring(now, entry.before, accessMatters);
  const Admission admission = file.Admit(change);
  if (admission.refusal != Refusal::kNone) {
    return refuse(admission.error != 0 ? std::strerror(admission.error)
                                       : _("the file refuses the change"));
  }
  if (const Outcome outcome = file.Make(change); outcome.error != 0) {
    return refuse(std::strerror(outcome.error));
  }
  if (file.Reread() != 0 || !Same(file.State(), entry.before, accessMatters)) {
    Complain(Format(_("cannot restore %s exactly"), {Quote(entry.name)}));
    return false;
  }
  return true;
}

// Restores one entry; false when it had to be refused.
bool UndoEntry(const Entry& entry) {
  const std::function<bool(std::string)> refuse = [&entry](const std::string& why) {
    Complain(Format(_("cannot restore %s: %s"), {Quote(entry.name), why}));
    return false;
  };
  if (!WithinPathLimit(entry.name)) {
    return refuse(_("path too long (260 UTF-16 units or more)"));
  }
  int error = 0;
  const std::unique_ptr<File> file =
      File::Open(entry.name, entry.link ? LinkRule::kItself : LinkRule::kFollow, error);
  if (!file) {
    return refuse(std::strerror(error));
  }
  return entry.savedBefore ? RestoreSaved(entry, *file, refuse)
                           : RestoreShown(entry, *file, refuse);
}

// True when the file open at fd starts with the header line of an undo log.
bool StartsAsLog(int fd) {
  char start[64] = {};
  const ssize_t length = pread(fd, start, sizeof start - 1, 0);
  if (length <= 0) {
    return false;
  }
  const char* end =
      static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(length)));
  try {
    return end != nullptr &&
           IsHeader(json::parse(std::string(start, static_cast<std::size_t>(end - start))));
  } catch (const json::exception&) {
    return false;
  }
}

// The size of the log without a last line that a run cut short left unfinished (it had no
// effect: a file is changed only once its entry is whole on the disk), or -1 with errno set.
off_t WholeLines(int fd) {
  const off_t size = lseek(fd, 0, SEEK_END);
  off_t end = size;
  char tail[4096];
  while (end > 0) {
    const off_t start = std::max<off_t>(end - static_cast<off_t>(sizeof tail), 0);
    const ssize_t count = pread(fd, tail, static_cast<std::size_t>(end - start), start);
    if (count != end - start) {
      return count < 0 ? -1 : end;
    }
    for (ssize_t at = count; at > 0; --at) {
      if (tail[at - 1] == '\n') {
        return start + at;
      }
    }
    end = start;
  }
  return size < 0 ? -1 : 0;
}

}  // namespace

UndoLog::UndoLog(int fd, std::string folder) : fd(fd), folder(std::move(folder)) {
  struct stat info {};
  if (fstat(fd, &info) == 0) {
    // As the core tells files apart: the device's major and minor number, and the inode.
    self = {(static_cast<std::uint64_t>(major(info.st_dev)) << 32) | minor(info.st_dev),
            info.st_ino};
  }
}

bool UndoLog::Is(const Identity& file) const {
  return file == self;
}

std::string UndoLog::Absolute(const std::string& name) const {
  return !name.empty() && name.front() == '/' ? name : folder + "/" + name;
}

std::optional<UndoLog> UndoLog::Open(const std::string& file, int& error) {
  char* folder = getcwd(nullptr, 0);
  if (folder == nullptr) {
    error = errno;
    return std::nullopt;
  }
  const std::string working = std::strcmp(folder, "/") == 0 ? "" : folder;
  std::free(folder);
  // Never through a link planted where the log is to be, and never a pipe or a device.
  const int fd =
      open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = errno;
    return std::nullopt;
  }
  UndoLog log(fd, working);
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = EINVAL;
    return std::nullopt;
  }
  if (flock(fd, LOCK_EX) != 0) {
    error = errno;
    return std::nullopt;
  }
  if (fstat(fd, &info) != 0 || (info.st_size != 0 && !StartsAsLog(fd))) {
    error = EINVAL;
    return std::nullopt;
  }
  const off_t size = WholeLines(fd);
  if (size < 0 || (size != lseek(fd, 0, SEEK_END) && ftruncate(fd, size) != 0)) {
    error = errno;
    return std::nullopt;
  }
  if (size == 0) {
    json header;
    header[kHeader] = kVersion;
    if ((error = log.Write(header.dump(), true)) != 0 || (error = SyncFolderOf(file)) != 0) {
      return std::nullopt;
    }
  }
  error = 0;
  return log;
}

UndoLog::UndoLog(UndoLog&& other) noexcept
    : fd(other.fd), self(other.self), folder(std::move(other.folder)) {
  other.fd = -1;
}

UndoLog& UndoLog::operator=(UndoLog&& other) noexcept {
  if (this != &other) {
    Close();
    fd = other.fd;
    self = other.self;
    folder = std::move(other.folder);
    other.fd = -1;
  }
  return *this;
}

UndoLog::~UndoLog() {
  Close();
}

int UndoLog::Write(const std::string& line, bool sync) {
  const std::string text = line + "\n";
  // The run holds the log locked: nothing else appends meanwhile.
  const off_t start = lseek(fd, 0, SEEK_END);
  if (start < 0) {
    return errno;
  }
  std::size_t written = 0;
  int error = 0;
  while (written < text.size() && error == 0) {
    const ssize_t count = write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno != EINTR) {
      error = errno;
    } else if (count > 0) {
      written += static_cast<std::size_t>(count);
    }
  }
  if (error == 0 && sync && fsync(fd) != 0) {
    error = errno;
  }
  if (error != 0 && ftruncate(fd, start) != 0) {
    // Left with a line cut short, which the next run to open the log takes off.
  }
  return error;
}

int UndoLog::Before(const std::string& name, const File& file, const FileState& planned) {
  json line;
  line["tempinex"] = "before";
  PutName(line, Absolute(name));
  if (file.IsLink()) {
    line["link"] = true;
  }
  line["before"] = StateJson(file.State());
  line["planned"] = StateJson(planned);
  line["saved"] = SavedJson(file.Saved());
  return Write(line.dump(), true);
}

int UndoLog::After(const std::string& name, const File& file) {
  json line;
  line["tempinex"] = "after";
  PutName(line, Absolute(name));
  line["after"] = StateJson(file.State());
  line["saved"] = SavedJson(file.Saved());
  // Not flushed on its own: without it, undo compares with the state planned instead.
  return Write(line.dump(), false);
}

int UndoLog::Close() {
  if (fd < 0) {
    return 0;
  }
  int error = fsync(fd) == 0 ? 0 : errno;
  if (close(fd) != 0 && error == 0) {
    error = errno;
  }
  fd = -1;
  return error;
}

std::string LogProblem(int error) {
  switch (error) {
    case EINVAL:
      return _("the file holds something else");
    case ELOOP:
      return _("a symbolic link: an undo log is never reached through one");
    default:
      return std::strerror(error);
  }
}

int RunUndo(const std::string& file) {
  std::string why;
  const std::optional<std::vector<Entry>> entries = ReadEntries(file, why);
  if (!entries) {
    Complain(Format(_("cannot use the undo log %s: %s"), {Quote(file), why}));
    return kExitUsage;
  }
  int status = kExitDone;
  for (auto entry = entries->rbegin(); entry != entries->rend(); ++entry) {
    if (!UndoEntry(*entry)) {
      status = kExitRefused;
    }
  }
  return status;
}

}  // namespace tempinex::cli
