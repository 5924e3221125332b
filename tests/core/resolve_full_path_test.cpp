// Full paths are formed from the text alone, like the Windows call they stand for: relative
// to the current folder, "." and ".." folded, links not followed, the file need not exist.

#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "file_name.hpp"
#include "file_status.hpp"

namespace tempinex {
namespace {

std::u16string Resolve(const std::u16string& path, bool* ok = nullptr) {
  char16_t out[kMaxPath] = {};
  const bool resolved = ResolveFullPath(path.c_str(), &out);
  if (ok != nullptr) {
    *ok = resolved;
  }
  return out;
}

TEST(ResolveFullPathTest, FoldsTheTextWithoutLookingAtTheDisk) {
  EXPECT_EQ(Resolve(u"/a/./b/../c"), u"/a/c");
  EXPECT_EQ(Resolve(u"//a//b/"), u"/a/b/");
  EXPECT_EQ(Resolve(u"/../x"), u"/x");
  EXPECT_EQ(Resolve(u"/"), u"/");
  EXPECT_EQ(Resolve(u"/no/such/file.txt"), u"/no/such/file.txt");
  EXPECT_EQ(Resolve(u"/a/b/.."), u"/a");
}

TEST(ResolveFullPathTest, RelativePathsStartAtTheCurrentFolder) {
  char buffer[4096];
  ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
  const std::u16string here = DecodeFileName(buffer);
  ASSERT_EQ(chdir("/tmp"), 0);
  EXPECT_EQ(Resolve(u"x/../y.txt"), u"/tmp/y.txt");
  EXPECT_EQ(Resolve(u"."), u"/tmp");
  ASSERT_EQ(chdir(buffer), 0);
  EXPECT_EQ(Resolve(u"z"), here == u"/" ? u"/z" : here + u"/z");
}

TEST(ResolveFullPathTest, RefusesEmptyAndTooLongResults) {
  bool ok = true;
  Resolve(u"", &ok);
  EXPECT_FALSE(ok);
  const std::u16string longest = u"/" + std::u16string(258, u'a');  // 259 units
  EXPECT_EQ(Resolve(longest, &ok), longest);
  EXPECT_TRUE(ok);
  Resolve(longest + u"a", &ok);
  EXPECT_FALSE(ok);
  EXPECT_THROW(ResolveFullPath(nullptr, nullptr), InvalidArgumentError);
}

}  // namespace
}  // namespace tempinex
