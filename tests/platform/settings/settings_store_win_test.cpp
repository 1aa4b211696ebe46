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
  std::string Read(const std::string& key) { return store_->Read("Torvane", "InitVal", key, "none"); }

  std::unique_ptr<platform::SettingsStore> store_ = platform::MakeUserSettingsStore();
};

TEST_F(RegistryStore, SavesEachKeyAsATextValueOfTheSection) {
  for (const std::string& text : {std::string("1440"), std::string(), std::string("Büro 東京"), std::string(5000, 'x')}) {
    store_->Save("Torvane", "InitVal", "ListIdx", text);
    EXPECT_EQ(Read("ListIdx"), text);
    DWORD type = REG_NONE;
    RegGetValueW(HKEY_CURRENT_USER, kSectionKey, L"ListIdx", RRF_RT_ANY, &type, nullptr, nullptr);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  }
}

TEST_F(RegistryStore, AMissingOrForeignValueReadsAsTheFallbackAndASaveReplacesIt) {
  EXPECT_EQ(Read("WinPosL"), "none");
  EXPECT_EQ(store_->Read("Torvane", "InitVal", "WinPosL"), "");
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kSectionKey, 0, KEY_READ, &key), ERROR_SUCCESS) << "a read created it";
  // Values another program may have left, of every other type.
  const DWORD number = 1440;
  RegSetKeyValueW(HKEY_CURRENT_USER, kSectionKey, L"WinPosL", REG_DWORD, &number, sizeof number);
  RegSetKeyValueW(HKEY_CURRENT_USER, kSectionKey, L"WinPosT", REG_EXPAND_SZ, L"%TEMP%", 14);
  RegSetKeyValueW(HKEY_CURRENT_USER, kSectionKey, L"PathDisp", REG_MULTI_SZ, L"1\0", 6);
  RegSetKeyValueW(HKEY_CURRENT_USER, kSectionKey, L"AddFile", REG_BINARY, "1", 1);
  for (const char* name : {"WinPosL", "WinPosT", "PathDisp", "AddFile"}) {
    EXPECT_EQ(Read(name), "none") << name;
    store_->Save("Torvane", "InitVal", name, "1");
    EXPECT_EQ(Read(name), "1") << name;
  }
}

TEST_F(RegistryStore, AFailedSaveIsARunTimeErrorThatChangesNone) {
  // A key name may have at most 255 characters, a value name 16383.
  EXPECT_THROW(store_->Save("Torvane", std::string(300, 's'), "WinPosL", "1"), platform::RunTimeError);
  store_->Save("Torvane", "InitVal", "WinPosL", "1440");
  EXPECT_THROW(store_->SaveAll("Torvane", "InitVal", {{"WinPosL", "0"}, {"WinPosT", "0"}, {std::string(17000, 'k'), ""}}),
               platform::RunTimeError);
  EXPECT_EQ(Read("WinPosL"), "1440");
  EXPECT_EQ(Read("WinPosT"), "none");
}

TEST(LocaleSeparators, AreTheUsersOwn) {
  wchar_t decimal[8] = {}, group[8] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, group, 8);
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L",");
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L"\u00a0");
  const platform::LocaleSeparators separators = platform::UserLocaleSeparators();
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal);
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, group);
  EXPECT_EQ(separators.decimal, ",");
  EXPECT_EQ(separators.group, "\u00a0");
}

}  // namespace
