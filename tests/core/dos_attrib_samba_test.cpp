// user.DOSATTRIB against Samba's own marshalling code (Debian's python3-samba): what we write
// must parse there to what we meant, and what Samba writes must read back here.

#include <sstream>

#include <gtest/gtest.h>

#include "dos_attrib.hpp"
#include "file_status.hpp"
#include "test_support.hpp"

namespace tempinex {
namespace {

using support::NtTime;
using support::U;
using support::UtcSeconds;

struct SambaView {
  int version = 0;
  std::uint64_t attrib = 0;
  std::int64_t validFlags = 0;
  std::uint64_t createTime = 0;
};

std::optional<SambaView> ParseInSamba(const std::string& value) {
  const auto output = support::RunSambaHelper("parse " + support::ToHex(value));
  if (!output) {
    return std::nullopt;
  }
  SambaView view;
  std::istringstream(*output) >> view.version >> view.attrib >> view.validFlags >> view.createTime;
  return view;
}

std::string PackInSamba(int version, std::uint32_t attrib, std::uint64_t createTime,
                        std::uint32_t validFlags) {
  const auto hex =
      support::RunSambaHelper("pack " + std::to_string(version) + " " + std::to_string(attrib) +
                              " " + std::to_string(createTime) + " " + std::to_string(validFlags));
  EXPECT_TRUE(hex) << "Samba could not pack version " << version;
  return support::FromHex(hex.value_or(""));
}

class SambaInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!support::SambaAvailable()) {
      GTEST_SKIP() << "python3-samba is not installed for /usr/bin/python3";
    }
  }

  std::string NewFile(const std::string& name) {
    const std::string path = folder.Join(name);
    support::WriteFile(path, "x");
    return path;
  }

  static FileStatus Read(const std::string& path) {
    FileStatus status;
    EXPECT_TRUE(ReadFileStatus(U(path).c_str(), status)) << path;
    return status;
  }

  support::ScopedTimeZone zone{"UTC"};
  support::TempFolder folder;
};

TEST_F(SambaInteropTest, ValuesWeWriteParseToWhatWeMeant) {
  const std::time_t created = UtcSeconds(2009, 10, 11, 12, 13, 14);
  const std::string file = NewFile("ours.txt");
  FileStatus status;
  status.created = created;
  status.attribute = 0x23;  // read-only, hidden, archive
  WriteFileStatus(U(file), status, false);
  auto view = ParseInSamba(support::ReadXattr(file).value_or(""));
  ASSERT_TRUE(view) << "Samba cannot parse our value";
  EXPECT_EQ(view->version, 3);
  EXPECT_EQ(view->attrib, 0x23u);
  EXPECT_EQ(view->validFlags & 0x11, 0x11);
  EXPECT_EQ(view->createTime, NtTime(created));

  const std::string plain = NewFile("plain.txt");
  status = FileStatus{};
  status.attribute = 0x06;  // hidden, system
  WriteFileStatus(U(plain), status, false);
  view = ParseInSamba(support::ReadXattr(plain).value_or(""));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->attrib, 0x06u);
  EXPECT_EQ(view->validFlags & 0x11, 0x01) << "no creation time is claimed";

  const std::string dir = folder.Join("dir");
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  status.attribute = 0x12;
  WriteFileStatus(U(dir), status, false);
  view = ParseInSamba(support::ReadXattr(dir).value_or(""));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->attrib, 0x12u);
}

TEST_F(SambaInteropTest, ValuesSambaWritesReadBack) {
  const std::time_t second = UtcSeconds(2023, 7, 8, 7, 56, 14);
  const std::uint64_t createTime = NtTime(second, 1'234'567);
  for (const int version : {1, 3, 4, 5}) {
    SCOPED_TRACE(version);
    const std::string value = PackInSamba(version, 0x26, createTime, 0x11);
    const auto parsed = ParseDosAttrib(value);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->attrib, 0x26u);
    EXPECT_EQ(parsed->createTime, createTime);

    const std::string file = NewFile("v" + std::to_string(version));
    support::SetXattr(file, value);
    const FileStatus status = Read(file);
    EXPECT_EQ(status.attribute, 0x26);
    EXPECT_EQ(status.created, second);

    if (version != 1) {
      // A creation time whose flag is clear does not count.
      const auto unflagged = ParseDosAttrib(PackInSamba(version, 0x26, createTime, 0x01));
      ASSERT_TRUE(unflagged);
      EXPECT_EQ(unflagged->attrib, 0x26u);
      EXPECT_EQ(unflagged->createTime, 0u);
    }
  }
  EXPECT_EQ(ParseDosAttrib(PackInSamba(1, 0x20, 0, 0))->createTime, 0u);

  for (const char* form : {"0x22", "0x22 nul"}) {
    SCOPED_TRACE(form);
    const std::string value =
        support::FromHex(support::RunSambaHelper(std::string("text ") + form).value_or(""));
    const auto parsed = ParseDosAttrib(value);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->attrib, 0x22u);
    EXPECT_EQ(parsed->createTime, 0u);
    const std::string file = NewFile(std::string("text-") + form);
    support::SetXattr(file, value);
    EXPECT_EQ(Read(file).attribute, 0x22);
  }
}

TEST_F(SambaInteropTest, AttributeWriteKeepsWhatSambaStoredBeyondTheByte) {
  const std::uint64_t createTime = NtTime(UtcSeconds(2022, 2, 2, 2, 2, 2), 42);
  const std::string file = NewFile("reparse.txt");
  support::SetXattr(file, PackInSamba(5, 0x422, createTime, 0x11));
  FileStatus status = Read(file);
  EXPECT_EQ(status.attribute, 0x22);
  status.attribute = 0x20;  // clear hidden
  status.created = status.modified = status.accessed = 0;
  WriteFileStatus(U(file), status, false);
  const auto view = ParseInSamba(support::ReadXattr(file).value_or(""));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->attrib, 0x420u);
  EXPECT_EQ(view->validFlags & 0x10, 0x10);
  EXPECT_EQ(view->createTime, createTime);
}

}  // namespace
}  // namespace tempinex
