// settings_store.cpp: the settings store over QSettings' INI format, plus the file and folder
// permissions that keep the stored password to its owner.

#include "app/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "app/error_codes.h"

namespace app {
namespace {

constexpr mode_t kPrivateFile = S_IRUSR | S_IWUSR;
constexpr mode_t kPrivateFolder = S_IRWXU;
constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

QString systemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

QString reasonOf(const QSettings& settings) {
  switch (settings.status()) {
    case QSettings::AccessError:
      return QStringLiteral("access denied");
    case QSettings::FormatError:
      return QStringLiteral("it is not a settings file");
    case QSettings::NoError:
      break;
  }
  return QStringLiteral("access denied");
}

bool statusOk(const QSettings& settings) { return settings.status() == QSettings::NoError; }

}  // namespace

SettingsStore::SettingsStore(QString filePath) : filePath_(std::move(filePath)) {}

QString SettingsStore::defaultFilePath() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kSection).fileName();
}

// Each call opens the file afresh and keeps nothing, so it sees the file as it is now (another
// copy of the program may have written it) and a write is on disk when the call returns.
jet::Result<QString> SettingsStore::read(const QString& key, const QString& fallback) const {
  QSettings settings(filePath_, QSettings::IniFormat);
  settings.beginGroup(kSection);
  const bool present = settings.contains(key);
  const QVariant value = present ? settings.value(key) : QVariant();
  if (!statusOk(settings) || (QFileInfo::exists(filePath_) && !QFileInfo(filePath_).isReadable()))
    return fileError(err::kSettingsRead, "Cannot read the setting " + key + " from",
                     reasonOf(settings));
  if (!present) return fallback;
  if (value.typeId() != QMetaType::QString)
    return fileError(err::kSettingNotText, "The setting " + key + " holds no single text in",
                     QString());
  return value.toString();
}

jet::Status SettingsStore::write(const QString& key, const QString& value) {
  JET_TRY(makePrivateFile());
  {
    QSettings settings(filePath_, QSettings::IniFormat);
    settings.beginGroup(kSection);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (!statusOk(settings))
      return fileError(err::kSettingsWrite, "Cannot save the setting " + key + " to",
                       reasonOf(settings));
  }
  return keepPrivate();
}

jet::Result<int> SettingsStore::tabIndex() const {
  jet::Result<QString> text = read(kKeyTab, QStringLiteral("0"));
  if (!text.ok()) return text.error();
  bool isNumber = false;
  const int index = text->trimmed().toInt(&isNumber, 10);
  if (!isNumber)
    return fileError(err::kSettingNotNumber,
                     QStringLiteral("The setting ") + kKeyTab + " holds no whole number in",
                     QString());
  return index;
}

// Creates the file empty and private when it is missing, after its folders; tightens an existing
// file that others could read.
jet::Status SettingsStore::makePrivateFile() const {
  const QByteArray path = QFile::encodeName(filePath_);
  struct stat info {};
  if (::stat(path.constData(), &info) == 0) {
    if (!S_ISREG(info.st_mode))
      return fileError(err::kSettingsWrite, "Cannot save settings to", "it is not a file");
    return keepPrivate();
  }
  if (errno != ENOENT)
    return fileError(err::kSettingsWrite, "Cannot save settings to", systemReason());
  JET_TRY(makePrivateFolder());
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFile);
  if (fd < 0 && errno != EEXIST)
    return fileError(err::kSettingsWrite, "Cannot create", systemReason());
  if (fd >= 0) ::close(fd);
  return keepPrivate();
}

// Makes each missing folder on the way to the file, readable by its owner only. Folders that
// exist already are left as they are.
jet::Status SettingsStore::makePrivateFolder() const {
  const std::filesystem::path folder =
      std::filesystem::path(QFile::encodeName(filePath_).toStdString()).parent_path();
  std::filesystem::path partial;
  for (const std::filesystem::path& part : folder) {
    partial /= part;
    struct stat info {};
    if (::stat(partial.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
    if (::mkdir(partial.c_str(), kPrivateFolder) != 0)
      return fileError(err::kSettingsWrite, "Cannot create the folder of",
                       QFile::decodeName(partial.c_str()) + ": " + systemReason());
  }
  return jet::Status::success();
}

// Takes away any access by group and others, keeping the owner's own.
jet::Status SettingsStore::keepPrivate() const {
  const QByteArray path = QFile::encodeName(filePath_);
  struct stat info {};
  if (::stat(path.constData(), &info) != 0)
    return fileError(err::kSettingsWrite, "Cannot check the permissions of", systemReason());
  if ((info.st_mode & kOthersBits) == 0) return jet::Status::success();
  if (::chmod(path.constData(), info.st_mode & S_IRWXU) != 0)
    return fileError(err::kSettingsWrite, "Cannot take away others' access to", systemReason());
  return jet::Status::success();
}

// "<what> the settings file "<path>": <reason>." The stored value is never part of it.
jet::Error SettingsStore::fileError(std::int32_t number, const QString& what,
                                    const QString& reason) const {
  QString text = what + " the settings file \"" + filePath_ + "\"";
  if (!reason.isEmpty()) text += ": " + reason;
  return jet::Error{number, (text + ".").toStdString()};
}

}  // namespace app
