// The open file of the Windows layer: one handle per file, opened once for reading and writing
// its attributes and times (never its data), with every step of a change made through it.

#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <optional>
#include <string>
#include <vector>

#include "open_file.hpp"
#include "win32_values.hpp"

namespace tempinex::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The bits a change writes; every other bit of the file stays as it is.
constexpr DWORD kChangedBits = kAttrEditable;
// The bits the system lets a program set; directory, compressed and the like are its own.
constexpr DWORD kSettableBits = kChangedBits | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

using win32::LastError;

// An attribute word as FILE_BASIC_INFO takes it, where 0 leaves the attributes as they are: a
// file with none of the settable bits gets FILE_ATTRIBUTE_NORMAL.
DWORD BasicAttributes(DWORD word) {
  word &= kSettableBits;
  return word == 0 ? FILE_ATTRIBUTE_NORMAL : word;
}

// A time as FILE_BASIC_INFO takes it; nothing for one it cannot hold, since 0 there means "leave
// this time as it is" and a time before 1601 has no file time.
std::optional<LONGLONG> BasicTime(const PreciseTime& time) {
  const FileTime ticks = FileTimeFromPrecise(time);
  if (ticks == 0) {
    return std::nullopt;
  }
  return static_cast<LONGLONG>(ticks);
}

// A name in the device namespace (\\.\COM1, \\.\pipe\x, and what "CON" or "NUL" resolve to),
// which is never opened: opening a pipe connects to it.
bool IsDeviceName(const std::wstring& path) {
  std::vector<wchar_t> full(MAX_PATH);
  DWORD length =
      ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length + 1);
    length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  const std::wstring resolved(full.data(), length < full.size() ? length : 0);
  if (resolved.rfind(L"\\\\.\\", 0) == 0) {
    return true;
  }
  // \\?\ takes a drive (\\?\C:\...) or a share (\\?\UNC\...); anything else is a device.
  if (resolved.rfind(L"\\\\?\\", 0) == 0) {
    const std::wstring rest = resolved.substr(4);
    const bool drive = rest.size() >= 2 && rest[1] == L':';
    return !drive && rest.rfind(L"UNC\\", 0) != 0;
  }
  return false;
}

// The user this process runs as, asked once.
const std::vector<BYTE>& ProcessUser() {
  static const std::vector<BYTE> user = [] {
    std::vector<BYTE> buffer;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
      return buffer;
    }
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer.resize(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
      buffer.clear();
    }
    ::CloseHandle(token);
    return buffer;
  }();
  return user;
}

enum class Owner { kUnknown, kThisUser, kAnonymousLogon, kSomeoneElse };

// Whose the file is, as its security descriptor says. Wine names the owner of a file that
// another Unix user owns ANONYMOUS LOGON; Windows gives no file that owner.
Owner OwnerOf(HANDLE file, DWORD flags) {
  const HANDLE reader = ::ReOpenFile(file, READ_CONTROL, kShareAll, flags);
  if (reader == INVALID_HANDLE_VALUE) {
    return Owner::kUnknown;
  }
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = ::GetSecurityInfo(reader, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                        nullptr, nullptr, nullptr, &descriptor);
  ::CloseHandle(reader);
  if (error != ERROR_SUCCESS || owner == nullptr) {
    return Owner::kUnknown;
  }
  Owner result = Owner::kSomeoneElse;
  const std::vector<BYTE>& user = ProcessUser();
  if (::IsWellKnownSid(owner, WinAnonymousSid)) {
    result = Owner::kAnonymousLogon;
  } else if (!user.empty() &&
             ::EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) {
    result = Owner::kThisUser;
  }
  ::LocalFree(descriptor);
  return result;
}

class Win32OpenFile : public OpenFile {
 public:
  Win32OpenFile(HANDLE handle, DWORD flags, NativeError writeRefused)
      : handle(handle), flags(flags), writeRefused(writeRefused) {}
  ~Win32OpenFile() override { ::CloseHandle(handle); }
  Win32OpenFile(const Win32OpenFile&) = delete;
  Win32OpenFile& operator=(const Win32OpenFile&) = delete;

  const AttributeData& State() const override { return state; }
  PreciseTimes Times() const override {
    return {PreciseFromFileTime(state.creation), PreciseFromFileTime(state.lastAccess),
            PreciseFromFileTime(state.lastWrite)};
  }
  NativeError Reread() override;
  FileIdentity Identity() const override { return identity; }
  bool IsFolder() const override { return (state.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool IsLink() const override { return IsLinkItself(); }

  Verdict Admit(const Change& change) override;
  NativeError WriteAttributes(const Change& change) override;
  NativeError WriteTimes(const Change& change) override;
  NativeError Restore() override;
  SavedState Saved() const override;
  NativeError PutBack(const SavedState& saved) override;

 private:
  bool IsLinkItself() const {
    return (flags & FILE_FLAG_OPEN_REPARSE_POINT) &&
           (state.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }
  bool HeldByAnotherProgram() const;
  void SaveBeforeFirstWrite();
  NativeError SetBasic(const FILE_BASIC_INFO& info);

  HANDLE handle;
  DWORD flags;
  // Why the open for attribute writes was refused (the handle then only reads them), or 0.
  NativeError writeRefused;
  AttributeData state;
  FileIdentity identity;
  // The file as it was before the first write step, and which steps wrote since.
  std::optional<AttributeData> beforeWrites;
  bool attributesWritten = false;
  bool timesWritten = false;
};

NativeError Win32OpenFile::Reread() {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) {
    return LastError();
  }
  state = win32::DataFrom(info);
  identity.volume = info.dwVolumeSerialNumber;
  identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return 0;
}

// Whether another program has the file open for its data: an open for reading that shares
// nothing is then refused. Such an open is taken and closed at once; a file this user may not
// read tells nothing, and is taken as free.
bool Win32OpenFile::HeldByAnotherProgram() const {
  const HANDLE probe = ::ReOpenFile(handle, FILE_READ_DATA | SYNCHRONIZE, 0, flags);
  if (probe == INVALID_HANDLE_VALUE) {
    return ::GetLastError() == ERROR_SHARING_VIOLATION;
  }
  ::CloseHandle(probe);
  return false;
}

Verdict Win32OpenFile::Admit(const Change& change) {
  const DWORD word = state.attributes;
  const bool folder = IsFolder();
  if ((word & FILE_ATTRIBUTE_DEVICE) || (IsLinkItself() && !change.foldersAndLinks)) {
    return {Obstacle::kNotRegular, 0};
  }
  // A folder takes its attributes; its times only where the caller allows them.
  if (folder && change.SetsTimes() && !change.foldersAndLinks) {
    return {Obstacle::kFolderTimes, 0};
  }
  const bool readOnly = !folder && (word & FILE_ATTRIBUTE_READONLY);
  const bool clearsReadOnly = change.mayClearReadOnly && change.attributes &&
                              !(*change.attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly && !clearsReadOnly) {
    return {Obstacle::kReadOnly, 0};
  }
  if (change.Empty()) {
    return {};
  }
  const Owner owner = OwnerOf(handle, flags);
  // Under Wine another Unix user's file, whatever its permissions: Linux lets only its owner
  // set its times and its mode, and Wine hands the write on to Linux.
  if (owner == Owner::kAnonymousLogon) {
    return {Obstacle::kNotOwner, 0};
  }
  // Wine opens for attribute writes with Unix write access, which a read-only file refuses its
  // owner too; the owner may still clear the bit, and Wine then writes through this handle.
  if (writeRefused != 0 && !(readOnly && owner == Owner::kThisUser)) {
    return {Obstacle::kSystemError, writeRefused};
  }
  if (!folder && HeldByAnotherProgram()) {
    return {Obstacle::kSystemError, ERROR_SHARING_VIOLATION};
  }
  return {};
}

void Win32OpenFile::SaveBeforeFirstWrite() {
  if (!beforeWrites) {
    Reread();  // what the file holds now; failing that, what was read last
    beforeWrites = state;
  }
}

NativeError Win32OpenFile::SetBasic(const FILE_BASIC_INFO& info) {
  FILE_BASIC_INFO copy = info;
  if (!::SetFileInformationByHandle(handle, FileBasicInfo, &copy, sizeof(copy))) {
    return LastError();
  }
  Reread();
  return 0;
}

NativeError Win32OpenFile::WriteAttributes(const Change& change) {
  if (!change.attributes) {
    return 0;
  }
  SaveBeforeFirstWrite();
  const DWORD word = state.attributes;
  if ((word & kChangedBits) == (*change.attributes & kChangedBits)) {
    return 0;
  }
  FILE_BASIC_INFO info{};
  info.FileAttributes =
      BasicAttributes((word & ~kChangedBits) | (*change.attributes & kChangedBits));
  const NativeError error = SetBasic(info);
  attributesWritten = attributesWritten || error == 0;
  return error;
}

NativeError Win32OpenFile::WriteTimes(const Change& change) {
  FILE_BASIC_INFO info{};
  const std::pair<const std::optional<PreciseTime>&, LARGE_INTEGER&> times[] = {
      {change.creation, info.CreationTime},
      {change.lastAccess, info.LastAccessTime},
      {change.lastWrite, info.LastWriteTime}};
  for (const auto& [wanted, field] : times) {
    if (!wanted) {
      continue;
    }
    const std::optional<LONGLONG> ticks = BasicTime(*wanted);
    if (!ticks) {
      return ERROR_INVALID_PARAMETER;
    }
    field.QuadPart = *ticks;
  }
  if (!change.SetsTimes()) {
    return 0;
  }
  SaveBeforeFirstWrite();
  const NativeError error = SetBasic(info);
  timesWritten = timesWritten || error == 0;
  return error;
}

NativeError Win32OpenFile::Restore() {
  if (!beforeWrites || (!attributesWritten && !timesWritten)) {
    return 0;
  }
  // Only what the steps changed: a time write that failed may fail again, and must not keep
  // the attributes from going back.
  FILE_BASIC_INFO info{};
  if (timesWritten) {
    info.CreationTime.QuadPart = static_cast<LONGLONG>(beforeWrites->creation);
    info.LastAccessTime.QuadPart = static_cast<LONGLONG>(beforeWrites->lastAccess);
    info.LastWriteTime.QuadPart = static_cast<LONGLONG>(beforeWrites->lastWrite);
  }
  if (attributesWritten) {
    info.FileAttributes = BasicAttributes(beforeWrites->attributes);
  }
  const NativeError error = SetBasic(info);
  if (error == 0) {
    beforeWrites.reset();
    attributesWritten = false;
    timesWritten = false;
  }
  return error;
}

SavedState Win32OpenFile::Saved() const {
  SavedState saved;
  saved.identity = identity;
  saved.mode = state.attributes;
  saved.creation = PreciseFromFileTime(state.creation);
  saved.lastAccess = PreciseFromFileTime(state.lastAccess);
  saved.lastWrite = PreciseFromFileTime(state.lastWrite);
  return saved;
}

NativeError Win32OpenFile::PutBack(const SavedState& saved) {
  if (saved.identity != identity) {
    return ERROR_FILE_NOT_FOUND;
  }
  FILE_BASIC_INFO info{};
  info.FileAttributes = BasicAttributes(saved.mode);
  info.CreationTime.QuadPart = BasicTime(saved.creation).value_or(0);
  info.LastAccessTime.QuadPart = BasicTime(saved.lastAccess).value_or(0);
  info.LastWriteTime.QuadPart = BasicTime(saved.lastWrite).value_or(0);
  return SetBasic(info);
}

}  // namespace

NativeError OpenFileAt(const std::u16string& path, LinkRule rule, std::unique_ptr<OpenFile>& file) {
  const std::wstring name(path.begin(), path.end());
  if (name.empty() || IsDeviceName(name)) {
    return name.empty() ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
  }
  // Backup semantics open folders too; a link opened as itself is the link, not its target.
  const DWORD flags =
      FILE_FLAG_BACKUP_SEMANTICS | (rule == LinkRule::kItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  NativeError writeRefused = 0;
  HANDLE handle = ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
    // Its state can still be read; the writability test tells why it cannot be written.
    writeRefused = ERROR_ACCESS_DENIED;
    handle = ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                           flags, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    return LastError();
  }
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    return ERROR_ACCESS_DENIED;
  }
  auto opened = std::make_unique<Win32OpenFile>(handle, flags, writeRefused);
  if (const NativeError error = opened->Reread()) {
    return error;
  }
  file = std::move(opened);
  return 0;
}

}  // namespace tempinex::platform
