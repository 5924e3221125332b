// Reading and writing one file's status on real files in a temporary folder.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include <gtest/gtest.h>

#include "dos_attrib.hpp"
#include "errors.hpp"
#include "file_status.hpp"
#include "platform.hpp"
#include "test_support.hpp"

namespace tempinex {
namespace {

using support::NtTime;
using support::ReadXattr;
using support::StatOf;
using support::U;
using support::UtcSeconds;

class FileStatusTest : public ::testing::Test {
 protected:
  // UTC unless a test says otherwise, so that a StatusTime is the file's own second.
  support::ScopedTimeZone zone{"UTC"};
  support::TempFolder folder;

  std::string NewFile(const std::string& name, const std::string& content = "data") {
    const std::string path = folder.Join(name);
    support::WriteFile(path, content);
    return path;
  }

  static FileStatus Read(const std::string& path) {
    FileStatus status;
    EXPECT_TRUE(ReadFileStatus(U(path).c_str(), status)) << path;
    return status;
  }

  static FileStatus Times(StatusTime created, StatusTime modified, StatusTime accessed,
                          std::uint8_t attribute = 0) {
    FileStatus status;
    status.created = created;
    status.modified = modified;
    status.accessed = accessed;
    status.attribute = attribute;
    return status;
  }

  static void ExpectAccessDenied(const std::string& path, const FileStatus& status, bool leave) {
    try {
      WriteFileStatus(U(path), status, leave);
      ADD_FAILURE() << "no error for " << path;
    } catch (const FileError& error) {
      EXPECT_EQ(error.cause, ErrorCause::kAccessDenied) << path;
      EXPECT_EQ(error.path, U(path));
    }
  }
};

TEST_F(FileStatusTest, ReadThenWriteBackUnchangedKeepsEachTimeToTheSecond) {
  support::ScopedTimeZone berlin("Europe/Berlin");
  const std::string path = NewFile("round-trip.txt", "twelve bytes");
  const std::time_t accessed = UtcSeconds(2015, 1, 14, 10, 20, 30);
  const std::time_t modified = UtcSeconds(2016, 7, 14, 22, 33, 44);
  support::SetTimes(path, {accessed, 123'456'789}, {modified, 987'654'321});

  const FileStatus first = Read(path);
  const long now = support::OffsetAt();
  EXPECT_EQ(first.modified, modified + now - support::OffsetAt(modified));
  EXPECT_EQ(first.accessed, accessed + now - support::OffsetAt(accessed));
  EXPECT_EQ(first.size, 12u);
  EXPECT_EQ(first.attribute, 0x20);
  EXPECT_EQ(FullPathOf(first), U(path));

  WriteFileStatus(U(path), first, false);
  const struct stat after = StatOf(path);
  EXPECT_EQ(after.st_mtim.tv_sec, modified);
  EXPECT_EQ(after.st_mtim.tv_nsec, 0);
  EXPECT_EQ(after.st_atim.tv_sec, accessed);
  EXPECT_EQ(after.st_atim.tv_nsec, 0);
  // The creation time was written where Samba keeps it, the attributes untouched.
  const auto stored = ParseDosAttrib(ReadXattr(path).value_or(""));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->attrib, 0x20u);
  EXPECT_EQ(StatusTimeToFileTime(first.created), stored->createTime);

  const FileStatus second = Read(path);
  EXPECT_EQ(second.created, first.created);
  EXPECT_EQ(second.modified, first.modified);
  EXPECT_EQ(second.accessed, first.accessed);
  EXPECT_EQ(second.attribute, first.attribute);
}

TEST_F(FileStatusTest, OnlyTheTimesThatAreSetChange) {
  const std::string path = NewFile("partial.txt");
  const timespec accessed{UtcSeconds(2010, 2, 3), 111};
  const timespec modified{UtcSeconds(2010, 4, 5), 222};
  support::SetTimes(path, accessed, modified);

  const std::time_t x = UtcSeconds(2020, 1, 2, 3, 4, 5);
  WriteFileStatus(U(path), Times(0, x, 0), true);
  struct stat info = StatOf(path);
  EXPECT_EQ(info.st_mtim.tv_sec, x);
  EXPECT_EQ(info.st_atim.tv_sec, accessed.tv_sec);
  EXPECT_EQ(info.st_atim.tv_nsec, accessed.tv_nsec);
  EXPECT_FALSE(ReadXattr(path)) << "no creation time was given";

  const std::time_t y = UtcSeconds(2021, 6, 7, 8, 9, 10);
  WriteFileStatus(U(path), Times(0, 0, y), true);
  info = StatOf(path);
  EXPECT_EQ(info.st_atim.tv_sec, y);
  EXPECT_EQ(info.st_mtim.tv_sec, x);

  // The creation time joins the attributes already stored.
  support::SetXattr(path, "0x26");
  const std::time_t z = UtcSeconds(2001, 9, 8, 7, 6, 5);
  WriteFileStatus(U(path), Times(z, 0, 0), true);
  info = StatOf(path);
  EXPECT_EQ(info.st_atim.tv_sec, y);
  EXPECT_EQ(info.st_mtim.tv_sec, x);
  const auto stored = ParseDosAttrib(ReadXattr(path).value_or(""));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->attrib, 0x26u);
  EXPECT_EQ(stored->createTime, NtTime(z));
  EXPECT_EQ(Read(path).created, z);
}

TEST_F(FileStatusTest, AllTimesZeroNeverOpensTheFile) {
  const std::string path = NewFile("read-only.txt");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(Read(path).attribute, 0x21);
  EXPECT_NO_THROW(WriteFileStatus(U(path), Times(0, 0, 0, 0x07), true));
  EXPECT_NO_THROW(WriteFileStatus(U(path), Times(0, 0, 0, 0x21), false));
  EXPECT_EQ(StatOf(path).st_mode & 07777, 0444u);
  EXPECT_FALSE(ReadXattr(path));
}

TEST_F(FileStatusTest, AttributeByteIsWrittenOnlyWhenItDiffersFromTheWord) {
  const std::string path = NewFile("plain.txt");
  EXPECT_EQ(Read(path).attribute, 0x20);
  EXPECT_EQ(Read(NewFile(".dotted")).attribute, 0x22);
  // Any write bit left in the mode means writable.
  const std::string groupWritable = NewFile("group-writable.txt");
  ASSERT_EQ(chmod(groupWritable.c_str(), 0464), 0);
  EXPECT_EQ(Read(groupWritable).attribute, 0x20);

  WriteFileStatus(U(path), Times(0, 0, 0, 0x20), false);
  EXPECT_FALSE(ReadXattr(path)) << "a byte equal to the word writes nothing";
  WriteFileStatus(U(path), Times(0, 0, 0, 0x06), true);
  EXPECT_FALSE(ReadXattr(path)) << "the leave flag writes nothing";

  // Byte 0 on an archive file: no attribute left, and the word says normal.
  WriteFileStatus(U(path), Times(0, 0, 0, 0), false);
  EXPECT_EQ(ParseDosAttrib(ReadXattr(path).value_or(""))->attrib, 0u);
  std::uint32_t word = 0;
  ASSERT_EQ(platform::GetAttributes(U(path), word), 0);
  EXPECT_EQ(word, platform::kAttrNormal);
  EXPECT_EQ(Read(path).attribute, 0);

  // A value stored by another program stays byte for byte while the byte matches it.
  const std::string other = NewFile("other.txt");
  support::SetXattr(other, "0x22");
  EXPECT_EQ(Read(other).attribute, 0x22);
  WriteFileStatus(U(other), Times(0, UtcSeconds(2019, 5, 5), 0, 0x22), false);
  EXPECT_EQ(ReadXattr(other), "0x22");
  EXPECT_EQ(StatOf(other).st_mtim.tv_sec, UtcSeconds(2019, 5, 5));
}

TEST_F(FileStatusTest, ReadOnlyIsSetAfterTheTimesAndClearedBeforeThem) {
  const std::string path = NewFile("order.txt");
  const std::time_t x = UtcSeconds(2018, 3, 4, 5, 6, 7);
  WriteFileStatus(U(path), Times(0, x, 0, 0x21), false);
  EXPECT_EQ(StatOf(path).st_mtim.tv_sec, x);
  EXPECT_EQ(StatOf(path).st_mode & 0222, 0u);
  EXPECT_EQ(Read(path).attribute, 0x21);

  const std::time_t y = UtcSeconds(2017, 8, 9, 10, 11, 12);
  WriteFileStatus(U(path), Times(0, y, 0, 0x20), false);
  EXPECT_EQ(StatOf(path).st_mtim.tv_sec, y);
  EXPECT_NE(StatOf(path).st_mode & 0200, 0u);
  EXPECT_EQ(Read(path).attribute, 0x20);

  // Read-only kept only in user.DOSATTRIB, the mode still writable.
  const std::string marked = NewFile("marked.txt");
  support::SetXattr(marked, "0x21");
  WriteFileStatus(U(marked), Times(0, y, 0, 0x20), false);
  EXPECT_EQ(StatOf(marked).st_mtim.tv_sec, y);
  EXPECT_EQ(Read(marked).attribute, 0x20);
}

TEST_F(FileStatusTest, ReadOnlyRefusesTimeWritesWhoeverRunsTheProgram) {
  const std::time_t x = UtcSeconds(2012, 12, 12, 12, 12, 12);
  const std::string byMode = NewFile("by-mode.txt");
  ASSERT_EQ(chmod(byMode.c_str(), 0444), 0);
  const std::time_t before = StatOf(byMode).st_mtim.tv_sec;
  ExpectAccessDenied(byMode, Times(0, x, 0, 0x21), false);
  ExpectAccessDenied(byMode, Times(0, x, 0, 0x20), true);
  ExpectAccessDenied(byMode, Times(x, 0, 0, 0x21), false);
  EXPECT_EQ(StatOf(byMode).st_mtim.tv_sec, before);

  const std::string byAttribute = NewFile("by-attribute.txt");
  support::SetXattr(byAttribute, "0x21");
  ExpectAccessDenied(byAttribute, Times(0, 0, x, 0x21), false);

  // A new attribute set that keeps read-only is written before the time write fails, and put
  // back when it does.
  ExpectAccessDenied(byMode, Times(0, x, 0, 0x23), false);
  EXPECT_EQ(Read(byMode).attribute, 0x21);
  EXPECT_EQ(StatOf(byMode).st_mtim.tv_sec, before);
}

TEST_F(FileStatusTest, WhatWasOpenedIsWhatIsCheckedAndWritten) {
  // A name that changes after the file was opened never redirects the check or the write:
  // here the replacement is read-only by its stored attribute alone, and writable by mode.
  const std::time_t x = UtcSeconds(2013, 3, 3, 3, 3, 3);
  const std::string path = NewFile("opened.txt");
  const std::string kept = folder.Join("opened-kept.txt");
  ASSERT_EQ(link(path.c_str(), kept.c_str()), 0);
  const std::string replacement = NewFile("replacement.txt", "other data");
  support::SetXattr(replacement, "0x21");
  const std::time_t before = StatOf(replacement).st_mtim.tv_sec;

  std::unique_ptr<platform::OpenFile> file;
  ASSERT_EQ(platform::OpenFileAt(U(path), platform::LinkRule::kFollow, file), 0);
  ASSERT_EQ(rename(replacement.c_str(), path.c_str()), 0);
  const FileStatus status = Times(0, x, 0);
  const platform::Change change =
      ChangeOfStatus(TimesOfStatus(status), status, true, file->State().attributes);
  ASSERT_TRUE(file->Admit(change).Admitted());
  WriteFileStatus(*file, U(path), change);

  EXPECT_EQ(StatOf(kept).st_mtim.tv_sec, x);  // the file that was opened
  EXPECT_EQ(StatOf(path).st_mtim.tv_sec, before);
  EXPECT_EQ(ReadXattr(path), std::optional<std::string>("0x21"));
}

TEST_F(FileStatusTest, FifoIsReadButNeverOpenedForWriting) {
  const std::string path = folder.Join("pipe");
  ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
  EXPECT_EQ(Read(path).size, 0u);
  auto attempt = std::async(std::launch::async, [&] {
    WriteFileStatus(U(path), Times(0, 0, 0), true);
    ExpectAccessDenied(path, Times(0, UtcSeconds(2014, 1, 1), 0), true);
  });
  if (attempt.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "the write blocked on a FIFO";
    // Give a blocked open its other end so that the test can finish.
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK);
    attempt.wait();
    close(fd);
  }
  attempt.get();
}

TEST_F(FileStatusTest, DanglingSymbolicLinkIsNotRead) {
  const std::string link = folder.Join("dangling");
  ASSERT_EQ(symlink(folder.Join("missing").c_str(), link.c_str()), 0);
  FileStatus status;
  EXPECT_FALSE(ReadFileStatus(U(link).c_str(), status));
  EXPECT_EQ(FullPathOf(status), U(link));
  EXPECT_EQ(status.modified, 0);
  EXPECT_EQ(status.attribute, 0);
  try {
    WriteFileStatus(U(link), Times(0, UtcSeconds(2014, 1, 1), 0), true);
    ADD_FAILURE() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause, ErrorCause::kFileNotFound);
  }
}

TEST_F(FileStatusTest, NameThatIsNotUtf8IsReadAndWritten) {
  const std::string raw = "caf\xE9-\xFF\xC3.txt";
  NewFile(raw, "abc");
  DIR* dir = opendir(folder.path.c_str());
  ASSERT_NE(dir, nullptr);
  std::u16string found;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') {
      found = DecodeFileName(entry->d_name);
    }
  }
  closedir(dir);
  EXPECT_EQ(found, u"caf\xDCE9-\xDCFF\xDCC3.txt");
  const std::u16string path = U(folder.path) + u"/" + found;
  FileStatus status;
  ASSERT_TRUE(ReadFileStatus(path.c_str(), status));
  EXPECT_EQ(status.size, 3u);
  EXPECT_EQ(FullPathOf(status), path);
  WriteFileStatus(path, Times(0, UtcSeconds(2013, 3, 3), 0, 0x22), false);
  EXPECT_EQ(StatOf(folder.Join(raw)).st_mtim.tv_sec, UtcSeconds(2013, 3, 3));
  EXPECT_EQ(Read(folder.Join(raw)).attribute, 0x22);
}

TEST_F(FileStatusTest, PathOf259UnitsIsReadAnd260IsRefused) {
  // Three-byte characters and a surrogate pair: the limit counts UTF-16 units, not bytes.
  std::string component;
  for (int i = 0; i < 80; ++i) {
    component += "\xE3\x81\x82";  // HIRAGANA LETTER A
  }
  const std::string dirs = folder.Join(component) + "/" + component;
  ASSERT_TRUE(std::filesystem::create_directories(dirs));
  const std::size_t used = U(dirs).size() + 1 + 2;  // the separator and the emoji
  ASSERT_LT(used, 259u);
  const std::string name259 = dirs + "/\xF0\x9F\x98\x80" + std::string(259 - used, 'x');
  const std::string name260 = name259 + "y";
  NewFile(name259.substr(folder.path.size() + 1));
  NewFile(name260.substr(folder.path.size() + 1));
  ASSERT_EQ(U(name259).size(), 259u);

  FileStatus status;
  EXPECT_TRUE(ReadFileStatus(U(name259).c_str(), status));
  EXPECT_EQ(FullPathOf(status), U(name259));
  FileStatus refused;
  EXPECT_FALSE(ReadFileStatus(U(name260).c_str(), refused));
  EXPECT_EQ(refused.fullPath[0], u'\0');
  EXPECT_EQ(refused.modified, 0);
}

TEST_F(FileStatusTest, DirectoryTakesAttributesButNoTimes) {
  const std::string path = folder.Join("sub");
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  const FileStatus read = Read(path);
  EXPECT_EQ(read.attribute, 0x10);
  EXPECT_EQ(read.size, 0u);
  ExpectAccessDenied(path, Times(0, UtcSeconds(2014, 1, 1), 0, 0x10), false);
  WriteFileStatus(U(path), Times(0, 0, 0, 0x13), false);
  EXPECT_EQ(Read(path).attribute, 0x13);
  EXPECT_NE(StatOf(path).st_mode & 0200, 0u) << "a directory keeps its write bits";
  WriteFileStatus(U(path), Times(0, 0, 0, 0x10), false);
  EXPECT_EQ(Read(path).attribute, 0x10);
}

}  // namespace
}  // namespace tempinex
