#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <functional>

#include "platform/settings/ini_text.h"
#include "platform/run_time_error.h"
#include "platform/settings/settings_store.h"

namespace platform {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Opens the store of an application afresh for every read and save, so
// that each one sees the file as it is now.
class QtSettingsStore : public SettingsStore {
 public:
  explicit QtSettingsStore(std::function<std::unique_ptr<QSettings>(const QString& app)> open)
      : open_(std::move(open)) {}

  std::string Read(const std::string& app, const std::string& section, const std::string& key,
                   const std::optional<std::string>& fallback) override {
    return Stored(app, section, key).value_or(fallback.value_or(std::string()));
  }

  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& text) override {
    SaveAll(app, section, {{key, text}});
  }

  void SaveAll(const std::string& app, const std::string& section,
               const std::vector<std::pair<std::string, std::string>>& texts) override {
    auto settings = OpenForSaving(app);
    for (const auto& [key, text] : texts) settings->setValue(Q(section) + "/" + Q(key), Q(text));
    // One write for all, through at once so that a failure is known here.
    // QSettings takes its lock file, reads the file again, and replaces it
    // whole (a temporary file renamed over it): of two saves at the same
    // moment, the later one wins with every key it wrote.
    settings->sync();
    if (settings->status() == QSettings::AccessError) {
      throw MakeError(kErrPathFileAccess, "cannot save settings in " + settings->fileName().toStdString());
    }
  }

 private:
  // The store of `app`, ready to be written. An INI file that does not read
  // as one is set aside whole as <file>.bad and the store starts empty:
  // nothing of it is carried over, since keys read out of garbage are
  // garbage too.
  std::unique_ptr<QSettings> OpenForSaving(const std::string& app) {
    auto settings = open_(Q(app));
    if (settings->format() != QSettings::IniFormat) return settings;
    const QString path = settings->fileName();
    const QByteArray bytes = FileBytes(path);
    if (IniReadable(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) return settings;
    settings.reset();
    QFile::remove(path + ".bad");
    if (!QFile::rename(path, path + ".bad")) {
      throw MakeError(kErrPathFileAccess, "cannot set the unreadable settings file " + path.toStdString() + " aside");
    }
    return open_(Q(app));
  }

  // The text as stored: in an INI file read as written, where QSettings
  // would read an unquoted value with commas as a list.
  std::optional<std::string> Stored(const std::string& app, const std::string& section, const std::string& key) {
    auto settings = open_(Q(app));
    if (settings->format() == QSettings::IniFormat) {
      const QByteArray file = FileBytes(settings->fileName());
      return IniValue(std::string_view(file.constData(), static_cast<std::size_t>(file.size())), section, key);
    }
    const QVariant value = settings->value(Q(section) + "/" + Q(key));
    if (!value.isValid()) return std::nullopt;
    return value.toString().toStdString();
  }

  std::function<std::unique_ptr<QSettings>(const QString& app)> open_;
};

std::unique_ptr<QSettings> OpenIni(const QString& path) {
  return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

}  // namespace

std::unique_ptr<SettingsStore> MakeUserSettingsStore() {
  return std::make_unique<QtSettingsStore>([](const QString& app) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return OpenIni(base + "/" + app + "/" + app + ".ini");
  });
}

std::unique_ptr<SettingsStore> MakeIniSettingsStore(const std::string& file_path) {
  const QString path = Q(file_path);
  return std::make_unique<QtSettingsStore>([path](const QString&) { return OpenIni(path); });
}

}  // namespace platform
