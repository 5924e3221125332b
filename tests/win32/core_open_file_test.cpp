// One file opened once on Windows: the writability test before anything is written, the two
// write steps through the handle, and the file put back when a later step fails.

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "file_change.hpp"
#include "open_file.hpp"
#include "win32_support.hpp"

namespace tempinex {
namespace {

using namespace win32_test;
using platform::Change;
using platform::LinkRule;
using platform::Obstacle;
using platform::OpenFile;
using platform::PreciseTime;

constexpr PreciseTime kMay2011{1304251200, 0};
constexpr PreciseTime kJune2015{1434369600, 0};

std::unique_ptr<OpenFile> Open(const std::u16string& path) {
  std::unique_ptr<OpenFile> file;
  EXPECT_EQ(platform::OpenFileAt(path, LinkRule::kFollow, file), 0) << "cannot open the file";
  return file;
}

std::uint64_t LastWrite(const std::u16string& path) {
  return Ticks(Info(path).ftLastWriteTime);
}

// Passes every call on to the real file, and lets the test look at the file when the time step
// begins: what the attribute step wrote is on the file then.
class Watched : public OpenFile {
 public:
  Watched(OpenFile& file, std::function<void()> atTimeStep)
      : file(file), atTimeStep(std::move(atTimeStep)) {}
  const platform::AttributeData& State() const override { return file.State(); }
  platform::PreciseTimes Times() const override { return file.Times(); }
  platform::NativeError Reread() override { return file.Reread(); }
  platform::FileIdentity Identity() const override { return file.Identity(); }
  bool IsFolder() const override { return file.IsFolder(); }
  bool IsLink() const override { return file.IsLink(); }
  platform::Verdict Admit(const Change& change) override { return file.Admit(change); }
  platform::NativeError WriteAttributes(const Change& change) override {
    return file.WriteAttributes(change);
  }
  platform::NativeError WriteTimes(const Change& change) override {
    atTimeStep();
    return file.WriteTimes(change);
  }
  platform::NativeError Restore() override { return file.Restore(); }
  platform::SavedState Saved() const override { return file.Saved(); }
  platform::NativeError PutBack(const platform::SavedState& state) override {
    return file.PutBack(state);
  }

 private:
  OpenFile& file;
  std::function<void()> atTimeStep;
};

class Win32OpenFileTest : public ::testing::Test {
 protected:
  TempFolder folder;

  std::u16string Make(const std::u16string& name, DWORD attributes = 0) {
    const std::u16string path = folder.Join(name);
    MakeFile(path, 10);
    SetTimes(path, TicksOfUnix(kJune2015.seconds), TicksOfUnix(kJune2015.seconds),
             TicksOfUnix(kJune2015.seconds));
    if (attributes != 0) {
      EXPECT_TRUE(SetFileAttributesW(W(path), attributes));
    }
    return path;
  }
};

// run-tests.sh makes the file as root, writable by everyone, and runs the tests as another user.
TEST_F(Win32OpenFileTest, AnotherUsersWritableFileIsRefusedAndTheOthersWritten) {
  const char* foreignPath = std::getenv("TEMPINEX_FOREIGN_FILE");
  if (foreignPath == nullptr || *foreignPath == '\0') {
    GTEST_SKIP() << "no file of another user (TEMPINEX_FOREIGN_FILE)";
  }
  const std::u16string foreign(foreignPath, foreignPath + std::strlen(foreignPath));
  const std::uint64_t foreignBefore = LastWrite(foreign);
  const std::u16string first = Make(u"first.txt");
  const std::u16string last = Make(u"last.txt");
  Change change;
  change.lastWrite = kMay2011;
  std::vector<Obstacle> verdicts;
  for (const std::u16string& path : {first, foreign, last}) {
    const std::unique_ptr<OpenFile> file = Open(path);
    ASSERT_NE(file, nullptr);
    const platform::Verdict verdict = file->Admit(change);
    verdicts.push_back(verdict.obstacle);
    if (verdict.Admitted()) {
      EXPECT_TRUE(ApplyChange(*file, change).Done());
    }
  }
  EXPECT_EQ(verdicts, (std::vector{Obstacle::kNone, Obstacle::kNotOwner, Obstacle::kNone}));
  EXPECT_EQ(LastWrite(first), TicksOfUnix(kMay2011.seconds));
  EXPECT_EQ(LastWrite(last), TicksOfUnix(kMay2011.seconds));
  EXPECT_EQ(LastWrite(foreign), foreignBefore);
}

TEST_F(Win32OpenFileTest, ReadOnlyFileMadeWritableTakesItsTimesInOneChange) {
  const std::u16string path = Make(u"locked.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  const std::unique_ptr<OpenFile> file = Open(path);
  ASSERT_NE(file, nullptr);
  Change change;
  change.lastWrite = kMay2011;
  change.attributes = FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_EQ(file->Admit(change).obstacle, Obstacle::kReadOnly);  // the user kept its box checked
  change.mayClearReadOnly = true;
  change.attributes = FILE_ATTRIBUTE_READONLY;
  EXPECT_EQ(file->Admit(change).obstacle, Obstacle::kReadOnly);  // ... or it stays read-only

  change.attributes = FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(file->Admit(change).Admitted());
  EXPECT_TRUE(ApplyChange(*file, change).Done());
  EXPECT_EQ(Attributes(path) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(LastWrite(path), TicksOfUnix(kMay2011.seconds));
  EXPECT_EQ(file->State().attributes & FILE_ATTRIBUTE_READONLY, 0u);  // kept up to date
}

TEST_F(Win32OpenFileTest, FailedTimeStepPutsBackWhatTheAttributeStepWrote) {
  const std::u16string path = Make(u"locked.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  const std::unique_ptr<OpenFile> file = Open(path);
  ASSERT_NE(file, nullptr);
  const platform::SavedState before = file->Saved();
  Change change;
  change.mayClearReadOnly = true;
  change.attributes = FILE_ATTRIBUTE_ARCHIVE;  // read-only: the attributes go first
  change.lastWrite = kMay2011;
  // A creation time before 1601, which no file time holds: the time step fails on the file.
  change.creation = PreciseTime{-kSecondsFrom1601To1970 - 86400, 0};
  ASSERT_TRUE(file->Admit(change).Admitted());
  DWORD duringTimeStep = 0;
  Watched watched(*file, [&] { duringTimeStep = Attributes(path); });

  const ChangeOutcome outcome = ApplyChange(watched, change);
  EXPECT_EQ(outcome.error, ERROR_INVALID_PARAMETER);
  EXPECT_EQ(outcome.restoreError, 0);
  EXPECT_EQ(duringTimeStep & FILE_ATTRIBUTE_READONLY, 0u);  // the first step had written
  EXPECT_NE(Attributes(path) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(LastWrite(path), TicksOfUnix(kJune2015.seconds));
  ASSERT_EQ(file->Reread(), 0);
  EXPECT_EQ(file->Saved(), before);
}

TEST_F(Win32OpenFileTest, FolderTimesAreSetOnlyWhenTheCallerAsks) {
  const std::u16string path = folder.Join(u"sub");
  ASSERT_TRUE(CreateDirectoryW(W(path), nullptr));
  const std::unique_ptr<OpenFile> file = Open(path);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->IsFolder());
  Change change;
  change.lastWrite = kMay2011;
  EXPECT_EQ(file->Admit(change).obstacle, Obstacle::kFolderTimes);
  change.foldersAndLinks = true;
  ASSERT_TRUE(file->Admit(change).Admitted());
  EXPECT_TRUE(ApplyChange(*file, change).Done());
  EXPECT_EQ(LastWrite(path), TicksOfUnix(kMay2011.seconds));
}

TEST_F(Win32OpenFileTest, HeldFileIsRefusedAndSavedStateGoesBackOnlyToItsOwnFile) {
  const std::u16string held = Make(u"held.txt");
  const std::u16string other = Make(u"other.txt", FILE_ATTRIBUTE_HIDDEN);
  const std::unique_ptr<OpenFile> file = Open(held);
  ASSERT_NE(file, nullptr);
  Change change;
  change.lastWrite = kMay2011;
  const HANDLE reader =
      CreateFileW(W(held), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const platform::Verdict verdict = file->Admit(change);
  EXPECT_EQ(verdict.obstacle, Obstacle::kSystemError);
  EXPECT_EQ(verdict.error, ERROR_SHARING_VIOLATION);
  CloseHandle(reader);
  EXPECT_TRUE(file->Admit(change).Admitted());

  const platform::SavedState saved = file->Saved();
  EXPECT_TRUE(ApplyChange(*file, change).Done());
  const std::unique_ptr<OpenFile> otherFile = Open(other);
  ASSERT_NE(otherFile, nullptr);
  EXPECT_NE(file->PutBack(otherFile->Saved()), 0);
  EXPECT_EQ(LastWrite(held), TicksOfUnix(kMay2011.seconds));
  EXPECT_EQ(file->PutBack(saved), 0);
  EXPECT_EQ(LastWrite(held), TicksOfUnix(kJune2015.seconds));
}

}  // namespace
}  // namespace tempinex
