// The file set on a Windows file system: the writability test, batch apply and rename.

#include "file_operate.hpp"
#include "win32_support.hpp"

namespace tempinex {
namespace {

using namespace win32_test;

class Win32FileSetTest : public ::testing::Test {
 protected:
  ScopedCrtZone zone{"JST-9"};
  TempFolder folder;
  RecordingShell shell;
  RecordingMessages messages;
  CFileOperate files{shell, messages};

  std::u16string Make(const std::u16string& name) {
    const std::u16string path = folder.Join(name);
    MakeFile(path, 10);
    return path;
  }
};

TEST_F(Win32FileSetTest, ProbeRefusesReadOnlyHeldAndMissingFilesAndFolders) {
  const std::u16string plain = Make(u"plain.txt");
  const std::u16string locked = Make(u"locked.txt");
  const std::u16string held = Make(u"held.txt");
  ASSERT_TRUE(SetFileAttributesW(W(locked), FILE_ATTRIBUTE_READONLY));
  // Shared for reading only: an open for writing is refused.
  const HANDLE other =
      CreateFileW(W(held), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(files.ProbeWritable(plain));
  EXPECT_FALSE(files.ProbeWritable(locked));
  EXPECT_FALSE(files.ProbeWritable(held));
  EXPECT_FALSE(files.ProbeWritable(folder.Join(u"missing.txt")));
  EXPECT_FALSE(files.ProbeWritable(folder.path));
  CloseHandle(other);
  EXPECT_TRUE(files.ProbeWritable(held));
}

TEST_F(Win32FileSetTest, BatchWritesWritableFilesAndReportsReadOnlyOnes) {
  const std::u16string a = Make(u"a.txt");
  const std::u16string b = Make(u"b.txt");
  const std::u16string c = Make(u"c.txt");
  ASSERT_TRUE(SetFileAttributesW(W(b), FILE_ATTRIBUTE_READONLY));
  files.SetFiles({a, b, c});
  FileStatus status;
  status.modified = MakeStatusTime(2011, 5, 1, 12, 0, 0, -1);
  EXPECT_FALSE(files.ApplyStatus(status, true));
  EXPECT_EQ(files.GetFailedFiles(), std::vector<std::u16string>{b});
  const platform::FileTime written = StatusTimeToFileTime(status.modified);
  EXPECT_EQ(Ticks(Info(a).ftLastWriteTime), written);
  EXPECT_EQ(Ticks(Info(c).ftLastWriteTime), written);
  EXPECT_NE(Ticks(Info(b).ftLastWriteTime), written);

  files.ReportFailures();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].caption, kFailureCaption);
  EXPECT_EQ(messages.shown[0].text, b + u"\r\n" + kFailureText);
}

TEST_F(Win32FileSetTest, ClearingReadOnlyLetsTheFileThroughKeepingItDoesNot) {
  const std::u16string locked = Make(u"locked.txt");
  ASSERT_TRUE(SetFileAttributesW(W(locked), FILE_ATTRIBUTE_READONLY));
  files.SetFiles({locked});
  FileStatus status;
  status.modified = MakeStatusTime(2013, 3, 3, 3, 3, 3, -1);
  status.attribute = 0x01;
  EXPECT_FALSE(files.ApplyStatus(status, false));
  EXPECT_EQ(files.GetFailedFiles().size(), 1u);

  status.attribute = 0x00;
  EXPECT_FALSE(files.ApplyStatus(status, false));  // not the file whose box the user cleared
  EXPECT_TRUE(files.ApplyStatus(status, false, 0));
  EXPECT_EQ(Attributes(locked) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(Ticks(Info(locked).ftLastWriteTime), StatusTimeToFileTime(status.modified));
}

TEST_F(Win32FileSetTest, ReadOnlyFileHeldByAnotherOpenerIsRefusedEvenWhenCleared) {
  const std::u16string locked = Make(u"locked.txt");
  ASSERT_TRUE(SetFileAttributesW(W(locked), FILE_ATTRIBUTE_READONLY));
  const HANDLE other =
      CreateFileW(W(locked), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  files.SetFiles({locked});
  FileStatus status;
  status.modified = MakeStatusTime(2013, 3, 3, 3, 3, 3, -1);
  EXPECT_FALSE(files.ApplyStatus(status, false));
  EXPECT_NE(Attributes(locked) & FILE_ATTRIBUTE_READONLY, 0u);
  CloseHandle(other);
}

TEST_F(Win32FileSetTest, RenameMovesWithinTheFolderAndNeverReplaces) {
  const std::u16string original = Make(u"first.txt");
  const std::u16string taken = Make(u"taken.txt");
  files.SetFiles({original});

  files.RenameFile(taken);
  EXPECT_EQ(files.GetCurrentPath(), original);
  EXPECT_TRUE(Exists(original));
  EXPECT_EQ(Info(taken).nFileSizeLow, 10u);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].caption, kRenameFailureCaption);
  EXPECT_NE(messages.shown[0].text.find(taken), std::u16string::npos);

  const std::u16string renamed = folder.Join(u"second.log");
  files.RenameFile(renamed);
  EXPECT_EQ(files.GetCurrentPath(), renamed);
  EXPECT_FALSE(Exists(original));
  EXPECT_TRUE(Exists(renamed));
  EXPECT_EQ(files.GetFolder(), folder.path);

  // Another folder is never a rename target.
  const std::u16string sub = folder.Join(u"sub");
  ASSERT_TRUE(CreateDirectoryW(W(sub), nullptr));
  files.RenameFile(sub + u"\\second.log");
  EXPECT_EQ(files.GetCurrentPath(), renamed);
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(Win32FileSetTest, RenameDifferingOnlyInAsciiCaseDoesNothing) {
  const std::u16string original = Make(u"Name.txt");
  files.SetFiles({original});
  files.RenameFile(folder.Join(u"NAME.TXT"));
  EXPECT_EQ(files.GetCurrentPath(), original);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Win32FileSetTest, CurrentPathAttributesComeFromTheFile) {
  const std::u16string file = Make(u"a.txt");
  ASSERT_TRUE(SetFileAttributesW(W(file), FILE_ATTRIBUTE_HIDDEN));
  files.SetFiles({file});
  EXPECT_EQ(files.GetCurrentPathAttributes() & 0x07, 0x02u);
  files.SetFiles({folder.Join(u"missing")});
  EXPECT_EQ(files.GetCurrentPathAttributes(), platform::kInvalidAttributes);
}

}  // namespace
}  // namespace tempinex
