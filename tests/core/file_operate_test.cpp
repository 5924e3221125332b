// The file set: names, rename, batch apply and the failure report, on real files.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "../system_call_faults.hpp"
#include "file_name.hpp"
#include "file_operate.hpp"

namespace tempinex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class RecordingMessages : public IMessageBox {
 public:
  struct Shown {
    std::u16string caption;
    std::u16string text;
    MessageIcon icon;
  };
  void ShowMessage(const std::u16string& caption, const std::u16string& text, MessageIcon icon,
                   bool) override {
    shown.push_back({caption, text, icon});
  }
  std::vector<Shown> shown;
};

class PlainShell : public IShellInfo {
 public:
  std::u16string DisplayName(const std::u16string& path) override {
    return fs::exists(Native(path)) ? u"name:" + path : u"";
  }
  std::u16string TypeName(const std::u16string& path) override {
    return fs::exists(Native(path)) ? u"type:" + path : u"";
  }
  static std::string Native(const std::u16string& path) { return *EncodeFileName(path); }
};

std::u16string U(const std::string& text) {
  return DecodeFileName(text);
}

class FileSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/fileset-XXXXXX";
    folder = mkdtemp(pattern);
    chmod(folder.c_str(), 0777);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::u16string MakeFile(const std::string& name, const std::string& contents = "data") {
    std::ofstream(folder + "/" + name) << contents;
    return U(folder + "/" + name);
  }
  static std::string Contents(const std::u16string& path) {
    std::ifstream in(PlainShell::Native(path));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static struct stat Stat(const std::u16string& path) {
    struct stat info {};
    stat(PlainShell::Native(path).c_str(), &info);
    return info;
  }
  static FileStatus WithModified(StatusTime modified) {
    FileStatus status;
    status.modified = modified;
    return status;
  }

  std::string folder;
  RecordingMessages messages;
  PlainShell shell;
  CFileOperate set{shell, messages};
};

constexpr StatusTime kSomeTime = 1'300'000'000;  // 2011-03-13, any zone

TEST_F(FileSetTest, SetFilesKeepsOrderDuplicatesAndPreviousCurrentPath) {
  const auto a = MakeFile("a.txt");
  set.SetFiles({a, a});
  EXPECT_EQ(set.GetCount(), 2);
  EXPECT_EQ(set.GetCurrentPath(), a);
  EXPECT_TRUE(set.ApplyStatus(WithModified(kSomeTime), true));  // written twice, no failure
  EXPECT_EQ(Stat(a).st_mtime, kSomeTime);

  set.SetFiles({});
  EXPECT_EQ(set.GetCount(), 0);
  EXPECT_EQ(set.GetCurrentPath(), a);
  EXPECT_EQ(set.GetFileStatus(5).modified, 0);  // an empty set answers zeros for any index
}

TEST_F(FileSetTest, NamesSplitAtLastSeparatorAndLastDot) {
  set.SetFiles({U(folder + "/archive.tar.gz"), U(folder + "/Makefile"), U(folder + "/.profile"),
                U("name.txt"), U(folder + "/my.dir/README")});
  EXPECT_EQ(set.GetBaseName(0), u"archive.tar");
  EXPECT_EQ(set.GetExtension(0), u"gz");
  EXPECT_EQ(set.GetBaseName(1), u"Makefile");
  EXPECT_EQ(set.GetExtension(1), u"");
  EXPECT_EQ(set.GetBaseName(2), u"");
  EXPECT_EQ(set.GetExtension(2), u"profile");
  EXPECT_EQ(set.GetBaseName(3), u"name");
  EXPECT_EQ(set.GetBaseName(4), u"README");
  EXPECT_EQ(set.GetExtension(4), u"");
  EXPECT_EQ(set.GetFolder(), U(folder));
  // The names give nothing for an index past the count; any other index outside the set
  // raises, as everywhere else.
  for (const int index : {6, 100}) {
    EXPECT_EQ(set.GetBaseName(index), u"");
    EXPECT_EQ(set.GetDisplayName(index), u"");
    EXPECT_EQ(set.GetTypeName(index), u"");
  }
  for (const int index : {-1, 5}) {
    EXPECT_THROW(set.GetBaseName(index), InvalidArgumentError) << index;
    EXPECT_THROW(set.GetDisplayName(index), InvalidArgumentError) << index;
    EXPECT_THROW(set.GetTypeName(index), InvalidArgumentError) << index;
  }
  EXPECT_THROW(set.GetExtension(5), InvalidArgumentError);
  EXPECT_THROW(set.GetFileStatus(5), InvalidArgumentError);

  set.SetFiles({U("name.txt")});
  EXPECT_EQ(set.GetFolder(), u"");
}

TEST_F(FileSetTest, ShellNamesAreEmptyForMissingFiles) {
  const auto a = MakeFile("a.txt");
  set.SetFiles({a, U(folder + "/gone.txt")});
  EXPECT_EQ(set.GetDisplayName(0), u"name:" + a);
  EXPECT_EQ(set.GetTypeName(1), u"");
  EXPECT_EQ(set.GetSetIcon(1).kind, SetIcon::Kind::kMultiFile);
  set.SetFiles({a});
  EXPECT_EQ(set.GetSetIcon(1).kind, SetIcon::Kind::kFile);
  EXPECT_FALSE(set.GetSetIcon(0).large);
  EXPECT_EQ(set.GetSetIcon(2).kind, SetIcon::Kind::kNone);
}

TEST_F(FileSetTest, ReadOnlyMiddleFileIsRefusedAndReported) {
  const auto a = MakeFile("a");
  const auto b = MakeFile("b");
  const auto c = MakeFile("c");
  chmod(PlainShell::Native(b).c_str(), 0444);
  set.SetFiles({a, b, c});
  // Read-only is honoured whoever runs the program, root included.
  EXPECT_FALSE(set.ApplyStatus(WithModified(kSomeTime), true));
  EXPECT_EQ(set.GetFailedFiles(), std::vector<std::u16string>{b});
  EXPECT_EQ(Stat(a).st_mtime, kSomeTime);
  EXPECT_NE(Stat(b).st_mtime, kSomeTime);
  EXPECT_EQ(Stat(c).st_mtime, kSomeTime);

  set.ReportFailures();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].caption, u"エラーのパス");
  EXPECT_EQ(messages.shown[0].text,
            b + u"\r\nは、ファイルが使用中か権限が足り無い為情報変更不能でした。");
  EXPECT_EQ(messages.shown[0].icon, MessageIcon::kError);

  EXPECT_FALSE(set.ApplyStatus(WithModified(0), true));  // b is still refused
  set.SetFiles({a});
  EXPECT_TRUE(set.ApplyStatus(WithModified(kSomeTime), true));
  set.ReportFailures();
  EXPECT_EQ(messages.shown.size(), 1u);  // nothing new after a clean batch
}

TEST_F(FileSetTest, ClearingReadOnlyIsPossibleAndKeepingItIsRefused) {
  const auto a = MakeFile("a");
  chmod(PlainShell::Native(a).c_str(), 0444);
  set.SetFiles({a});
  FileStatus status = WithModified(kSomeTime);
  status.attribute = 0x20;  // archive only: read-only cleared, but not by the user
  EXPECT_FALSE(set.ApplyStatus(status, false));
  EXPECT_EQ(Stat(a).st_mode & 0222, 0u);
  EXPECT_TRUE(set.ApplyStatus(status, false, 0));  // the user cleared its read-only box
  EXPECT_EQ(Stat(a).st_mtime, kSomeTime);
  EXPECT_NE(Stat(a).st_mode & 0200, 0u);
  EXPECT_EQ(set.GetFileStatus(0).attribute, 0x20);

  status.attribute = 0x21;  // made read-only again after its times
  status.modified = kSomeTime + 60;
  EXPECT_TRUE(set.ApplyStatus(status, false, 0));
  EXPECT_EQ(Stat(a).st_mtime, kSomeTime + 60);
  EXPECT_EQ(set.GetFileStatus(0).attribute & 0x01, 0x01);

  status.modified = kSomeTime + 120;  // stays read-only: refused
  EXPECT_FALSE(set.ApplyStatus(status, false, 0));
  EXPECT_EQ(Stat(a).st_mtime, kSomeTime + 60);
}

TEST_F(FileSetTest, SpecialFilesAreRefusedWithoutBlocking) {
  const std::string fifo = folder + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  set.SetFiles({U(fifo), U(folder)});
  auto batch = std::async(std::launch::async,
                          [&] { return set.ApplyStatus(WithModified(kSomeTime), true); });
  ASSERT_EQ(batch.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(batch.get());
  EXPECT_EQ(set.GetFailedFiles().size(), 2u);  // the pipe and the folder
}

// Runs the batch as an ordinary user, in a child whose extended-attribute writes fail, so that a
// write fails after the file was found fit to change. A mode-200 file of one's own whose record
// this user cannot read is refused rather than having its record overwritten on a guess.
TEST_F(FileSetTest, ErrorStopsBatchNamesItsFileAndStillReportsRefusedFiles) {
  const auto refused = MakeFile("0-readonly");
  const auto a = MakeFile("1-a");
  const auto writeOnly = MakeFile("2-writeonly");
  const auto fails = MakeFile("3-fails");
  const auto c = MakeFile("4-c");
  ASSERT_EQ(setxattr(PlainShell::Native(a).c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
  for (const auto& path : {refused, a, writeOnly, fails, c}) {
    chown(PlainShell::Native(path).c_str(), 65534, 65534);
  }
  chmod(PlainShell::Native(refused).c_str(), 0444);
  chmod(PlainShell::Native(writeOnly).c_str(), 0200);
  FileStatus status = WithModified(kSomeTime);
  status.attribute = 0x22;  // a has it already; the others need their record written
  const auto run = [&] {
    if (setgid(65534) != 0 || setuid(65534) != 0 ||
        !testing_faults::FailSystemCalls(
            {__NR_setxattr, __NR_lsetxattr, __NR_fsetxattr, 463 /* setxattrat */}, EIO)) {
      _exit(90);
    }
    set.SetFiles({refused, a, writeOnly, fails, c});
    try {
      set.ApplyStatus(status, false);
      _exit(91);
    } catch (const FileError& error) {
      const bool named = error.path == fails && error.osError == EIO && !error.mayBeHalfWritten;
      const std::u16string& text = messages.shown.size() == 1 ? messages.shown[0].text : u"";
      const bool reported = text.find(refused) == 0 &&
                            text.find(writeOnly) != std::u16string::npos &&
                            text.find(fails) == std::u16string::npos;
      _exit(named && reported ? 0 : 92);
    }
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Stat(a).st_mtime, kSomeTime);
  EXPECT_NE(Stat(writeOnly).st_mtime, kSomeTime);
  EXPECT_NE(Stat(fails).st_mtime, kSomeTime);  // its time was put back
  EXPECT_NE(Stat(c).st_mtime, kSomeTime);      // after the error nothing more is written
}

TEST_F(FileSetTest, RenameMovesWithinFolderAndFollowsCurrentPath) {
  const auto name = MakeFile("Name.txt", "mine");
  set.SetFiles({name});
  set.RenameFile(U(folder + "/name.TXT"));  // only ASCII case: never carried out
  EXPECT_EQ(set.GetCurrentPath(), name);
  EXPECT_TRUE(fs::exists(PlainShell::Native(name)));

  const auto other = U(folder + "/other.txt");
  set.RenameFile(other);
  EXPECT_EQ(set.GetCurrentPath(), other);
  EXPECT_FALSE(fs::exists(PlainShell::Native(name)));
  EXPECT_TRUE(messages.shown.empty());
  // The set follows the file: the batch, its status and its name are those of the new name.
  EXPECT_TRUE(set.ApplyStatus(WithModified(kSomeTime), true));
  EXPECT_EQ(Stat(other).st_mtime, kSomeTime);
  EXPECT_EQ(set.GetBaseName(0), u"other");
  EXPECT_EQ(set.GetFileStatus(0).modified, kSomeTime);
}

TEST_F(FileSetTest, RenameOntoExistingFileIsRefusedToldAndHarmless) {
  const auto mine = MakeFile("mine.txt", "mine");
  const auto theirs = MakeFile("theirs.txt", "theirs");
  const time_t theirTime = Stat(theirs).st_mtime;
  set.SetFiles({mine});
  set.RenameFile(theirs);
  EXPECT_EQ(set.GetCurrentPath(), mine);
  EXPECT_EQ(Contents(theirs), "theirs");
  EXPECT_EQ(Contents(mine), "mine");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].caption, u"名前の変更エラー");
  EXPECT_NE(messages.shown[0].text.find(mine), std::u16string::npos);
  EXPECT_NE(messages.shown[0].text.find(theirs), std::u16string::npos);
  EXPECT_NE(messages.shown[0].text.find(u"既にあります"), std::u16string::npos);

  EXPECT_TRUE(set.ApplyStatus(WithModified(kSomeTime), true));
  EXPECT_EQ(Stat(mine).st_mtime, kSomeTime);
  EXPECT_EQ(Stat(theirs).st_mtime, theirTime);
}

TEST_F(FileSetTest, RenameNeverLeavesItsFolder) {
  fs::create_directory(folder + "/sub");
  const auto mine = MakeFile("mine.txt");
  set.SetFiles({mine});
  for (const std::string& target : {folder + "/sub/moved.txt", folder + "/", folder + "/.",
                                    folder + "/..", "/tmp/x.txt"s, folder + "x/mine.txt"}) {
    set.RenameFile(U(target));
    EXPECT_EQ(set.GetCurrentPath(), mine) << target;
  }
  set.RenameFile(U(folder) + u"/a\0b"s);
  EXPECT_EQ(set.GetCurrentPath(), mine);
  EXPECT_EQ(messages.shown.size(), 7u);
  EXPECT_TRUE(fs::exists(PlainShell::Native(mine)));
  EXPECT_TRUE(fs::is_empty(folder + "/sub"));
}

TEST_F(FileSetTest, RandomRenamesAmongCollidingNamesLoseNothing) {
  std::mt19937 random(12345);
  std::map<std::string, std::string> expected;  // name -> contents
  const std::vector<std::string> names = {"a", "A", "a.txt", "A.TXT", "b", "b.txt", "c", "c.d.e"};
  for (int i = 0; i < 5; ++i) {
    const std::string name = names[i];
    MakeFile(name, "contents of " + std::to_string(i));
    expected[name] = "contents of " + std::to_string(i);
  }
  for (int round = 0; round < 2000; ++round) {
    auto from = expected.begin();
    std::advance(from, random() % expected.size());
    const std::string target = names[random() % names.size()];
    set.SetFiles({U(folder + "/" + from->first)});
    set.RenameFile(U(folder + "/" + target));
    if (set.GetCurrentPath() != U(folder + "/" + from->first)) {
      ASSERT_EQ(expected.count(target), 0u) << "renamed onto an existing file";
      expected[target] = from->second;
      expected.erase(from);
    }
  }
  std::size_t found = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename();
    ASSERT_EQ(expected.count(name), 1u) << name;
    EXPECT_EQ(Contents(U(entry.path())), expected[name]);
    ++found;
  }
  EXPECT_EQ(found, expected.size());
  EXPECT_EQ(found, 5u);
}

TEST_F(FileSetTest, BatchTellsItsProgressAndItsEnd) {
  struct Recording : IBatchProgress {
    void BatchProgress(std::size_t done, std::size_t total) override {
      steps.emplace_back(done, total);
    }
    void BatchFinished() override { ++finished; }
    std::vector<std::pair<std::size_t, std::size_t>> steps;
    int finished = 0;
  } progress;
  set.SetProgress(&progress);
  set.SetFiles({MakeFile("a"), MakeFile("b"), MakeFile("c")});
  EXPECT_TRUE(set.ApplyStatus(WithModified(kSomeTime), true));
  EXPECT_EQ(progress.steps,
            (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}, {1, 3}, {2, 3}}));
  EXPECT_EQ(progress.finished, 1);

  // A batch with refused files ends its progress as well.
  set.SetFiles({U(folder)});  // a folder passes no probe: refused, not an error
  EXPECT_FALSE(set.ApplyStatus(WithModified(kSomeTime), true));
  EXPECT_EQ(progress.finished, 2);
}

// Every way a file's turn in the batch can end must close what was opened for it: a large set
// would otherwise run out of descriptors. (Turns that end in an error are counted in the fault
// tests, where writes can really fail after the test.)
TEST_F(FileSetTest, BatchLeavesNoDescriptorOpenHoweverEachFileEnds) {
  // The process keeps one descriptor of its own /proc/self/fd for extended attributes: not
  // one of a file's.
  const auto openDescriptors = [] {
    std::ptrdiff_t count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      const std::string target = fs::read_symlink(entry.path(), error).string();
      count += !(target.rfind("/proc/", 0) == 0 && target.ends_with("/fd"));
    }
    return count;
  };
  const auto a = MakeFile("a");
  const auto readOnly = MakeFile("read-only");
  const auto folderItself = U(folder);
  chmod(PlainShell::Native(readOnly).c_str(), 0444);
  const auto before = openDescriptors();

  set.SetFiles({a, readOnly, folderItself});
  EXPECT_FALSE(set.ApplyStatus(WithModified(kSomeTime), true));  // times only; two refused
  EXPECT_EQ(openDescriptors(), before);
  FileStatus attributesOnly;
  attributesOnly.attribute = 0x22;  // no time to write: what the test opened is never reused
  EXPECT_FALSE(set.ApplyStatus(attributesOnly, false));
  EXPECT_EQ(openDescriptors(), before);
  FileStatus nothing;  // nothing at all to write
  EXPECT_FALSE(set.ApplyStatus(nothing, true));
  EXPECT_EQ(openDescriptors(), before);
  EXPECT_EQ(Stat(a).st_mtime, kSomeTime);
  EXPECT_EQ(Stat(readOnly).st_mode & 0222, 0u);  // nobody cleared its read-only box
}

}  // namespace
}  // namespace tempinex
