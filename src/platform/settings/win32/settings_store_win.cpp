#include <windows.h>

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
    const std::wstring path = KeyPath(app, section);
    const std::wstring wide = Utf8ToUtf16(text);
    OpenKey open;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, open.Out(), nullptr);
    if (status == ERROR_SUCCESS) {
      status = RegSetValueExW(open.Get(), Utf8ToUtf16(key).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wide.c_str()),
                              static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
    if (status != ERROR_SUCCESS) {
      throw MakeError(kErrPathFileAccess, "cannot save setting " + key + " in HKEY_CURRENT_USER\\Software\\" + app +
                                              "\\" + section + " (error " + std::to_string(status) + ")");
    }
  }
};

}  // namespace

std::unique_ptr<SettingsStore> MakeUserSettingsStore() { return std::make_unique<RegistrySettingsStore>(); }

}  // namespace platform
