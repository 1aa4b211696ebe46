// SPDX-License-Identifier: Apache-2.0
#pragma once
// The per-user settings store: texts addressed by application, section and
// key. Read never creates a key; Save creates or replaces one and fails with
// a run-time error when the store cannot be written.
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text, else `fallback`, else the empty text.
  virtual std::string Read(const std::string& app, const std::string& section, const std::string& key,
                           const std::optional<std::string>& fallback = std::nullopt) = 0;
  virtual void Save(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& text) = 0;
  // Saves several keys of one section as one, where the store can: then,
  // of two saves at the same moment, one wins whole, and a failure changes
  // none. By default they are saved one after the other.
  virtual void SaveAll(const std::string& app, const std::string& section,
                       const std::vector<std::pair<std::string, std::string>>& texts) {
    for (const auto& [key, text] : texts) Save(app, section, key, text);
  }
};

// The user's own store: on Windows the per-user registry, one REG_SZ value
// per key under HKEY_CURRENT_USER\Software\<app>\<section> (a value of
// another type, or one that cannot be read, counts as missing); elsewhere an
// INI file per application, $XDG_CONFIG_HOME/<app>/<app>.ini.
std::unique_ptr<SettingsStore> MakeUserSettingsStore();

// A store kept in one INI file (each application's sections share it); not
// on Windows.
std::unique_ptr<SettingsStore> MakeIniSettingsStore(const std::string& file_path);

}  // namespace platform
