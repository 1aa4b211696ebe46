// SPDX-License-Identifier: Apache-2.0
// The registry store, run under Wine in the tests' private prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/run_time_error.h"
#include "platform/settings/locale_separators.h"
#include "platform/settings/settings_store.h"

namespace {

constexpr wchar_t kSectionKey[] = L"Software\\Torvane\\InitVal";

class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Torvane"); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Torvane"); }

  // Writes a value of any type, as another program might have.
  static void Put(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSectionKey, name, type, data, bytes), ERROR_SUCCESS);
  }
  static DWORD TypeOf(const wchar_t* name) {
    DWORD type = REG_NONE;
    RegGetValueW(HKEY_CURRENT_USER, kSectionKey, name, RRF_RT_ANY, &type, nullptr, nullptr);
    return type;
  }

  std::unique_ptr<platform::SettingsStore> store_ = platform::MakeUserSettingsStore();
};

TEST_F(RegistryStore, SavesEachKeyAsATextValueOfTheSection) {
  const std::string texts[] = {"1440", "", "Büro Laser 5 — 東京", std::string(5000, 'x'), "-1"};
  for (const std::string& text : texts) {
    store_->Save("Torvane", "InitVal", "ListIdx", text);
    EXPECT_EQ(store_->Read("Torvane", "InitVal", "ListIdx", "fallback"), text);
    EXPECT_EQ(TypeOf(L"ListIdx"), static_cast<DWORD>(REG_SZ));
  }
}

TEST_F(RegistryStore, AMissingOrForeignValueReadsAsTheFallbackAndASaveReplacesIt) {
  EXPECT_EQ(store_->Read("Torvane", "InitVal", "WinPosL", "-1"), "-1");
  EXPECT_EQ(store_->Read("Torvane", "InitVal", "WinPosL"), "");
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kSectionKey, 0, KEY_READ, &key), ERROR_SUCCESS) << "a read created it";

  const DWORD number = 1440;
  const wchar_t expand[] = L"%TEMP%", multi[] = L"1440\0\0";
  struct Case {
    const wchar_t* name;
    DWORD type;
    const void* data;
    DWORD bytes;
  } cases[] = {
      {L"WinPosL", REG_DWORD, &number, sizeof number},
      {L"WinPosT", REG_EXPAND_SZ, expand, sizeof expand},
      {L"PathDisp", REG_MULTI_SZ, multi, sizeof multi},
      {L"AddFile", REG_BINARY, "1", 1},
  };
  for (const Case& c : cases) Put(c.name, c.type, c.data, c.bytes);
  for (const char* name : {"WinPosL", "WinPosT", "PathDisp", "AddFile"}) {
    EXPECT_EQ(store_->Read("Torvane", "InitVal", name, "none"), "none") << name;
    store_->Save("Torvane", "InitVal", name, "1");
    EXPECT_EQ(store_->Read("Torvane", "InitVal", name), "1") << name;
  }
}

TEST_F(RegistryStore, AFailedSaveIsARunTimeError) {
  // A key name may have at most 255 characters.
  EXPECT_THROW(store_->Save("Torvane", std::string(300, 's'), "WinPosL", "1"), platform::RunTimeError);
}

TEST(LocaleSeparators, AreTheUsersOwn) {
  wchar_t decimal[8] = {}, group[8] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, group, 8);
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L"\u00a0"));
  const platform::LocaleSeparators separators = platform::UserLocaleSeparators();
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal);
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, group);
  EXPECT_EQ(separators.decimal, ",");
  EXPECT_EQ(separators.group, "\u00a0");
}

}  // namespace
