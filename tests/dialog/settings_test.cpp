// The settings store on disk and the application object that addresses it.

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include "qt_settings_store.hpp"
#include "tempinex_app.hpp"
#include "test_support.hpp"
#include "text_convert.hpp"

namespace tempinex::test {
namespace {

const SettingsPath kCreate{u"kanorem", u"Tempinex64", u"Prop", u"fileCreate"};

class SettingsStoreTest : public ::testing::Test {
 protected:
  // Each content goes to a program name of its own: QSettings keeps a file it has read in
  // memory while its time stamp and size stay the same.
  std::uint32_t ReadStored(const QByteArray& fileContent, std::uint32_t fallback = 0) {
    std::u16string name = u"Case" + qt::ToU16(QString::number(++cases));
    sandbox.WriteFile(qt::ToQString(name), fileContent);
    return store.Read({u"kanorem", name, u"Prop", u"fileCreate"}, fallback);
  }
  int cases = 0;
  SettingsSandbox sandbox;
  qt::QtSettingsStore store;
};

TEST_F(SettingsStoreTest, NoFileGivesTheDefault) {
  EXPECT_EQ(store.Read(kCreate, 0), 0u);
  EXPECT_EQ(store.Read(kCreate, 7), 7u);
  EXPECT_FALSE(QFile::exists(sandbox.FileOf(QStringLiteral("Tempinex64"))));
}

TEST_F(SettingsStoreTest, StoredNumbersAreReturnedAsStored) {
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=1\n", 9), 1u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=0\n", 9), 0u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=2\n", 9), 2u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=4294967295\n", 9), 4294967295u);
  // The key belongs to its section only.
  EXPECT_EQ(ReadStored("[Other]\nfileCreate=1\n", 9), 9u);
}

TEST_F(SettingsStoreTest, AnythingButAn32BitUnsignedNumberGivesTheDefault) {
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=yes\n", 5), 5u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=1abc\n", 5), 5u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=-1\n", 5), 5u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=\n", 5), 5u);
  // Numbers QSettings would wrap: 2^32 + 1 must not read as 1.
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=4294967297\n", 5), 5u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=99999999999999999999999\n", 5), 5u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=1.0\n", 5), 5u);
  EXPECT_EQ(ReadStored("[Prop]\nfileCreate=0x1\n", 5), 5u);
}

TEST_F(SettingsStoreTest, CorruptFileGivesTheDefault) {
  QByteArray garbage("\x00\xff\xfe[Prop\n=\x01\x02fileCreate\xc3", 20);
  EXPECT_EQ(ReadStored(garbage, 3), 3u);
}

TEST_F(SettingsStoreTest, WriteStoresADecimalInThePropGroup) {
  ASSERT_TRUE(store.Write(kCreate, 1));
  ASSERT_TRUE(store.Write({u"kanorem", u"Tempinex64", u"Prop", u"Attribute"}, 0));
  EXPECT_EQ(store.Read(kCreate, 0), 1u);
  QFile file(sandbox.FileOf(QStringLiteral("Tempinex64")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray content = file.readAll();
  EXPECT_TRUE(content.contains("[Prop]"));
  EXPECT_TRUE(content.contains("fileCreate=1"));
  EXPECT_TRUE(content.contains("Attribute=0"));
  ASSERT_TRUE(store.Write(kCreate, 0));
  EXPECT_EQ(store.Read(kCreate, 9), 0u);
}

TEST_F(SettingsStoreTest, UnwritableLocationFailsQuietly) {
  // A plain file where the company folder should be: nothing can be created below it, even
  // for root.
  QFile blocker(sandbox.Root() + QStringLiteral("/kanorem"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_FALSE(store.Write(kCreate, 1));
  EXPECT_EQ(store.Read(kCreate, 4), 4u);
}

// A store that remembers where it was asked to look.
class PathRecordingStore : public ISettingsStore {
 public:
  std::uint32_t Read(const SettingsPath& path, std::uint32_t fallback) override {
    reads.push_back(path);
    return fallback + 100;
  }
  bool Write(const SettingsPath& path, std::uint32_t value) override {
    writes.emplace_back(path, value);
    return false;
  }
  std::vector<SettingsPath> reads;
  std::vector<std::pair<SettingsPath, std::uint32_t>> writes;
};

TEST(ApplicationTest, NameIsTheProgramFileWithoutFolderAndLastExtension) {
  EXPECT_EQ(AppNameFromProgramPath(u"/usr/local/bin/Tempinex64"), u"Tempinex64");
  EXPECT_EQ(AppNameFromProgramPath(u"/opt/tools/Stamp.v2.exe"), u"Stamp.v2");
  EXPECT_EQ(AppNameFromProgramPath(u"/opt/x.d/plain"), u"plain");
  EXPECT_EQ(AppNameFromProgramPath(u"bare.bin"), u"bare");
}

TEST(ApplicationTest, SettingsLiveUnderCompanyApplicationAndSection) {
  PathRecordingStore store;
  CTempinexApp app(u"/home/u/bin/Renamed.exe", store);
  bool ran = false;
  EXPECT_FALSE(app.InitInstance([&](CTempinexApp& self) {
    ran = true;
    EXPECT_EQ(self.CompanyKey(), u"kanorem");  // fixed before the dialog exists
    EXPECT_EQ(self.ReadSetting(kSettingsSection, u"fileLastRead", 0), 100u);
    EXPECT_FALSE(self.WriteSetting(kSettingsSection, u"Attribute", 1));
  }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(app.AppName(), u"Renamed");
  EXPECT_EQ(app.ProfileName(), u"Renamed");
  ASSERT_EQ(store.reads.size(), 1u);
  EXPECT_EQ(store.reads[0], (SettingsPath{u"kanorem", u"Renamed", u"Prop", u"fileLastRead"}));
  ASSERT_EQ(store.writes.size(), 1u);
  EXPECT_EQ(store.writes[0].first, (SettingsPath{u"kanorem", u"Renamed", u"Prop", u"Attribute"}));
  EXPECT_EQ(store.writes[0].second, 1u);
}

}  // namespace
}  // namespace tempinex::test
