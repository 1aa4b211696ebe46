#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <functional>

#include "platform/run_time_error.h"
#include "platform/settings_store.h"

namespace platform {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Opens the store of an application afresh for every read and save, so
// that each one sees the file as it is now.
class QtSettingsStore : public SettingsStore {
 public:
  explicit QtSettingsStore(std::function<std::unique_ptr<QSettings>(const QString& app)> open)
      : open_(std::move(open)) {}

  std::string Read(const std::string& app, const std::string& section, const std::string& key,
                   const std::optional<std::string>& fallback) override {
    auto settings = open_(Q(app));
    const QVariant value = settings->value(Q(section) + "/" + Q(key));
    if (!value.isValid()) return fallback.value_or(std::string());
    // An unquoted value holding commas reads back as a list; it is one text.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(", ").toStdString();
    return value.toString().toStdString();
  }

  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& text) override {
    auto settings = open_(Q(app));
    settings->setValue(Q(section) + "/" + Q(key), Q(text));
    // Written through at once, so that a failure is known here, and the keys
    // saved before it stay written.
    settings->sync();
    if (settings->status() != QSettings::NoError) {
      throw MakeError(kErrPathFileAccess, "cannot save setting " + key + " in " + settings->fileName().toStdString());
    }
  }

 private:
  std::function<std::unique_ptr<QSettings>(const QString& app)> open_;
};

std::unique_ptr<QSettings> OpenIni(const QString& path) {
  return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

}  // namespace

std::unique_ptr<SettingsStore> MakeUserSettingsStore() {
  return std::make_unique<QtSettingsStore>([](const QString& app) {
#ifdef _WIN32
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, app, app);
#else
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return OpenIni(base + "/" + app + "/" + app + ".ini");
#endif
  });
}

std::unique_ptr<SettingsStore> MakeIniSettingsStore(const std::string& file_path) {
  const QString path = Q(file_path);
  return std::make_unique<QtSettingsStore>([path](const QString&) { return OpenIni(path); });
}

}  // namespace platform
