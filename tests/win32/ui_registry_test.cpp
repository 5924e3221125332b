// The registry settings store of the Windows program.

#include "registry_store.hpp"
#include "win32_support.hpp"

namespace tempinex {
namespace {

using namespace win32_test;

class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application = u"StoreTest" + U(std::to_wstring(GetCurrentProcessId()));
    RegDeleteTreeW(HKEY_CURRENT_USER, W(CompanyKey()));
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, W(CompanyKey())); }

  std::u16string CompanyKey() const { return u"software\\tempinex-test"; }
  std::u16string SectionKey() const { return CompanyKey() + u"\\" + application + u"\\Prop"; }
  SettingsPath Path(const std::u16string& key) const {
    return {u"tempinex-test", application, u"Prop", key};
  }

  std::u16string application;
  win32::RegistryStore store;
};

TEST_F(RegistryStoreTest, ValuesAreDwordsBelowCompanyApplicationAndSection) {
  ASSERT_TRUE(store.Write(Path(u"fileCreate"), 1));
  ASSERT_TRUE(store.Write(Path(u"Attribute"), 0xA1B2C3D4));
  EXPECT_EQ(store.Read(Path(u"fileCreate"), 7), 1u);
  EXPECT_EQ(store.Read(Path(u"Attribute"), 7), 0xA1B2C3D4u);

  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, W(SectionKey()), L"Attribute", RRF_RT_ANY, &type,
                         &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 0xA1B2C3D4u);
}

TEST_F(RegistryStoreTest, MissingOrOversizedValuesGiveTheFallbackAndReadsCreateTheKeys) {
  EXPECT_EQ(store.Read(Path(u"fileLastRead"), 5), 5u);
  HKEY section = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(SectionKey()), 0, KEY_READ | KEY_WRITE, &section),
            ERROR_SUCCESS)
      << "a read leaves the keys down to the section";
  const BYTE eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  RegSetValueExW(section, L"tooLong", 0, REG_BINARY, eight, sizeof(eight));
  const BYTE two[2] = {0x34, 0x12};
  RegSetValueExW(section, L"short", 0, REG_BINARY, two, sizeof(two));
  RegCloseKey(section);
  EXPECT_EQ(store.Read(Path(u"tooLong"), 9), 9u);
  EXPECT_EQ(store.Read(Path(u"short"), 9), 0x1234u);
}

}  // namespace
}  // namespace tempinex
