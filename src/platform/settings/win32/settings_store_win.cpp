#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/run_time_error.h"
#include "platform/settings/settings_store.h"
#include "platform/wide_text_win.h"

namespace platform {

namespace {

// Each application's section is a key of its own,
// HKEY_CURRENT_USER\Software\<app>\<section>, and each setting one REG_SZ
// value in it.
std::wstring KeyPath(const std::string& app, const std::string& section) {
  return L"Software\\" + Utf8ToUtf16(app) + L"\\" + Utf8ToUtf16(section);
}

// Closes a registry key when it goes out of scope.
class OpenKey {
 public:
  OpenKey() = default;
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The text of a REG_SZ value; nothing when the key or the value is missing,
// the value is of another type, or it cannot be read.
// Only REG_SZ: RegGetValueW would otherwise read a REG_EXPAND_SZ value
// expanded, as if it were a text.
constexpr DWORD kOnlyText = RRF_RT_REG_SZ | RRF_NOEXPAND;

std::optional<std::string> StoredText(const std::wstring& path, const std::wstring& name) {
  OpenKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The value may grow between asking its size and reading it.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD bytes = 0;
    LSTATUS status = RegGetValueW(key.Get(), nullptr, name.c_str(), kOnlyText, nullptr, nullptr, &bytes);
    if (status != ERROR_SUCCESS) return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegGetValueW(key.Get(), nullptr, name.c_str(), kOnlyText, nullptr, text.data(), &bytes);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return std::nullopt;
    // RegGetValueW ends the text with a NUL; a NUL stored inside ends it there.
    text.resize(wcsnlen(text.c_str(), text.size()));
    return Utf16ToUtf8(text);
  }
  return std::nullopt;
}

class RegistrySettingsStore : public SettingsStore {
 public:
  std::string Read(const std::string& app, const std::string& section, const std::string& key,
                   const std::optional<std::string>& fallback) override {
    return StoredText(KeyPath(app, section), Utf8ToUtf16(key)).value_or(fallback.value_or(std::string()));
  }

  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& text) override {
    SaveAll(app, section, {{key, text}});
  }

  // One save at a time per application, across processes, so that of two
  // windows closing at once the later one wins with all its keys; and a
  // failure puts back the values written before it, so that it changes none.
  void SaveAll(const std::string& app, const std::string& section,
               const std::vector<std::pair<std::string, std::string>>& texts) override {
    const SaveLock lock(app);
    const std::wstring path = KeyPath(app, section);
    OpenKey key;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key.Out(), nullptr);
    std::vector<std::pair<std::wstring, std::optional<RawValue>>> before;
    std::string failed_key = texts.empty() ? std::string() : texts.front().first;
    for (const auto& [name, text] : texts) {
      if (status != ERROR_SUCCESS) break;
      failed_key = name;
      const std::wstring wide_name = Utf8ToUtf16(name), wide = Utf8ToUtf16(text);
      before.emplace_back(wide_name, ReadRaw(key.Get(), wide_name));
      status = RegSetValueExW(key.Get(), wide_name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                              static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
    if (status == ERROR_SUCCESS) return;
    for (auto undo = before.rbegin(); undo != before.rend(); ++undo) {
      const auto& [name, value] = *undo;
      if (value) {
        RegSetValueExW(key.Get(), name.c_str(), 0, value->type, value->bytes.data(),
                       static_cast<DWORD>(value->bytes.size()));
      } else {
        RegDeleteValueW(key.Get(), name.c_str());
      }
    }
    throw MakeError(kErrPathFileAccess, "cannot save setting " + failed_key + " in HKEY_CURRENT_USER\\Software\\" +
                                            app + "\\" + section + " (error " + std::to_string(status) + ")");
  }

 private:
  // A value as stored, of any type, to be put back.
  struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
  };

  static std::optional<RawValue> ReadRaw(HKEY key, const std::wstring& name) {
    RawValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    value.bytes.resize(size);
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
  }

  // A named mutex of the user's session, held for one save. A holder that
  // does not let go within 5 s is not waited for longer: the save goes on.
  class SaveLock {
   public:
    explicit SaveLock(const std::string& app) {
      std::wstring name = Utf8ToUtf16(app);
      std::replace(name.begin(), name.end(), L'\\', L'/');  // a backslash would name a namespace
      mutex_ = CreateMutexW(nullptr, FALSE, (L"Local\\TorvaneSettings." + name).c_str());
      const DWORD wait = mutex_ ? WaitForSingleObject(mutex_, 5000) : WAIT_FAILED;
      held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;
    ~SaveLock() {
      if (held_) ReleaseMutex(mutex_);
      if (mutex_) CloseHandle(mutex_);
    }

   private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
  };
};

}  // namespace

std::unique_ptr<SettingsStore> MakeUserSettingsStore() { return std::make_unique<RegistrySettingsStore>(); }

}  // namespace platform
