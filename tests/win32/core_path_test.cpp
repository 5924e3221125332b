// Path resolution and names through the Windows calls.

#include "file_status.hpp"
#include "platform.hpp"
#include "win32_support.hpp"

namespace tempinex {
namespace {

using namespace win32_test;

std::u16string Resolve(const std::u16string& path) {
  char16_t out[kMaxPath];
  if (!ResolveFullPath(path.c_str(), &out)) {
    return u"<failed>";
  }
  return out;
}

TEST(Win32Path, RelativePathsAndDotsResolveAgainstTheCurrentFolder) {
  TempFolder folder;
  MakeFile(folder.Join(u"MixedCase.Txt"));
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(W(folder.path)));
  EXPECT_EQ(Resolve(u"MixedCase.Txt"), folder.Join(u"MixedCase.Txt"));
  EXPECT_EQ(Resolve(u".\\sub\\..\\MixedCase.Txt"), folder.Join(u"MixedCase.Txt"));
  EXPECT_EQ(Resolve(u"x/y"), folder.Join(u"x\\y"));
  SetCurrentDirectoryW(previous);

  std::u16string full;
  std::size_t last = 0;
  ASSERT_EQ(platform::GetFullPathName(folder.Join(u"a.b"), full, last), 0);
  EXPECT_EQ(full.substr(last), u"a.b");
  ASSERT_EQ(platform::GetFullPathName(u"C:\\", full, last), 0);
  EXPECT_EQ(last, std::u16string::npos);
}

TEST(Win32Path, OverlongResultsFail) {
  const std::u16string longName =
      u"C:\\" + std::u16string(250, u'n') + u"\\" + std::u16string(10, u'm');
  char16_t out[kMaxPath];
  EXPECT_FALSE(ResolveFullPath(longName.c_str(), &out));
  EXPECT_THROW(ResolveFullPath(nullptr, &out), InvalidArgumentError);
}

TEST(Win32Path, RootsAndNetworkShares) {
  EXPECT_EQ(platform::RootOf(u"C:\\dir\\file.txt"), u"C:\\");
  EXPECT_EQ(platform::RootOf(u"\\\\server\\share\\dir\\file.txt"), u"\\\\server\\share");
  EXPECT_TRUE(platform::IsNetworkRoot(u"\\\\server\\share"));
  EXPECT_FALSE(platform::IsNetworkRoot(u"C:\\"));
  // A share is taken as it is, without asking its volume.
  EXPECT_EQ(Resolve(u"\\\\server\\share\\a.txt"), u"\\\\server\\share\\a.txt");

  std::uint32_t flags = 0;
  ASSERT_EQ(platform::GetVolumeFlags(u"C:\\", flags), 0);
  EXPECT_NE(flags & platform::kVolumeCasePreserved, 0u);
  EXPECT_NE(platform::GetVolumeFlags(u"\\\\?\\nothing-here\\", flags), 0);
}

TEST(Win32Path, StoredNamesShortNamesAndUpperCase) {
  TempFolder folder;
  const std::u16string file = folder.Join(u"Long File Name.text");
  MakeFile(file);
  std::u16string stored;
  ASSERT_EQ(platform::FindStoredName(folder.Join(u"long file name.TEXT"), stored), 0);
  EXPECT_EQ(stored, u"Long File Name.text");
  EXPECT_EQ(platform::FindStoredName(folder.Join(u"absent"), stored), ERROR_FILE_NOT_FOUND);

  const std::u16string shortName = platform::ShortPathName(file);
  EXPECT_FALSE(shortName.empty());
  EXPECT_TRUE(Exists(shortName)) << "the short form names no file";
  const std::u16string absent = folder.Join(u"absent.txt");
  EXPECT_EQ(platform::ShortPathName(absent), absent);

  // Unlike the ASCII-only name comparisons, upper-casing follows the system's tables.
  EXPECT_EQ(platform::UpperCase(u"abc\u00e4\u00fc-1"), u"ABC\u00c4\u00dc-1");
  EXPECT_EQ(platform::UpperCase(u""), u"");
}

TEST(Win32Errors, CodesMapToCausesAndReadableTexts) {
  EXPECT_EQ(platform::CauseOf(ERROR_FILE_NOT_FOUND), ErrorCause::kFileNotFound);
  EXPECT_EQ(platform::CauseOf(ERROR_ALREADY_EXISTS), ErrorCause::kAccessDenied);
  EXPECT_EQ(platform::CauseOf(ERROR_SHARING_VIOLATION), ErrorCause::kSharingViolation);
  EXPECT_EQ(platform::CauseOf(platform::InvalidNameError()), ErrorCause::kBadPath);
  for (const platform::NativeError code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}) {
    const std::u16string text = platform::DescribeError(code);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), u'\n');
  }
  // A code the system has no text for still says something.
  EXPECT_FALSE(platform::DescribeError(0x7FFF1234).empty());
}

}  // namespace
}  // namespace tempinex
