// A settings file that is garbage, a folder in its place, or one the user may not write: the
// store reads the fallback, says false for a write it could not make, and changes nothing.

#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QString>

#include "fault_support.hpp"
#include "qt_settings_store.hpp"

namespace tempinex::faults {
namespace {

const SettingsPath kKey{u"kanorem", u"FaultProbe", u"Options", u"Keep"};

class BrokenSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder.path));
    mkdir(folder.Join("kanorem").c_str(), 0755);
    WriteFile(folder.Join("neighbour.conf"), "[Options]\nKeep=1\n");
  }
  std::string File() const { return folder.Join("kanorem/FaultProbe.conf"); }

  FaultFolder folder;
  qt::QtSettingsStore store;
};

// Text the reader cannot parse reads as no value; a write replaces the file and says so (a
// file QSettings could not parse once made the write say false although it was stored).
TEST_F(BrokenSettings, CorruptFileReadsTheFallbackAndIsReplacedOnWrite) {
  const struct {
    std::string bytes;
    bool writable;
  } cases[] = {
      {std::string("\0\xFF\xFE[[[=\n\x01", 9), true},
      {"[Options\nKeep=12\n", true},
      {"[Options]\nKeep=99999999999999999999\n", true},
      {"[Options]\nKeep=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1f)\n", true},
      {"[Options]\nKeep=-1\n", true},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(testing::PrintToString(each.bytes));
    WriteFile(File(), each.bytes);
    Snapshot before = TakeSnapshot(folder.path);
    EXPECT_EQ(store.Read(kKey, 7u), 7u);
    Snapshot after = TakeSnapshot(folder.path);
    IgnoreAccessTime(before, File());
    IgnoreAccessTime(after, File());
    EXPECT_EQ(Differences(before, after), std::vector<std::string>{});
    EXPECT_EQ(store.Write(kKey, 3u), each.writable);
    EXPECT_EQ(store.Read(kKey, 7u), each.writable ? 3u : 7u);
    after = TakeSnapshot(folder.path);
    IgnoreAccessTime(after, File());
    const std::set<std::string> changed = {File(), File() + ".lock", folder.Join("kanorem")};
    EXPECT_EQ(Differences(before, after, each.writable ? changed : std::set<std::string>{}),
              std::vector<std::string>{});
  }
}

TEST_F(BrokenSettings, FolderInPlaceOfTheFileReadsTheFallbackAndRefusesWrites) {
  mkdir(File().c_str(), 0755);
  WriteFile(File() + "/inside", "inside");
  const Snapshot before = TakeSnapshot(folder.path);
  EXPECT_EQ(store.Read(kKey, 7u), 7u);
  EXPECT_FALSE(store.Write(kKey, 3u));
  EXPECT_EQ(store.Read(kKey, 7u), 7u);
  // A lock file beside it is the store's own and may stay; nothing that was there changes.
  std::set<std::string> own{File() + ".lock", folder.Join("kanorem")};
  EXPECT_EQ(Differences(before, TakeSnapshot(folder.path), own), std::vector<std::string>{});
}

TEST_F(BrokenSettings, UnwritableFileKeepsItsValueAndTheWriteSaysFalse) {
  const auto nobody = NobodyIds();
  if (!nobody || geteuid() != 0) {
    GTEST_SKIP() << "needs root and the user nobody to make a file the user may not write";
  }
  WriteFile(File(), "[Options]\nKeep=5\n");
  Snapshot before = TakeSnapshot(folder.path);
  IgnoreAccessTime(before, File());
  const ChildResult result = RunInChild(
      [&] {
        qt::QtSettingsStore asNobody;
        if (asNobody.Read(kKey, 7u) != 5u) {
          return std::string("the stored value was not read");
        }
        if (asNobody.Write(kKey, 3u)) {
          return std::string("the write said it succeeded");
        }
        return std::string();
      },
      20, nobody->first);
  EXPECT_TRUE(result.finished) << result.report;
  EXPECT_EQ(result.report, "");
  Snapshot after = TakeSnapshot(folder.path);
  IgnoreAccessTime(after, File());
  EXPECT_EQ(Differences(before, after), std::vector<std::string>{});
}

}  // namespace
}  // namespace tempinex::faults
