// settings_store.h: the per-user store of the last choices (database path and password, last
// tab, Load Sets separator): text values under one section of an INI file, read and written at
// once with no cache. The file is private to its owner because it holds the password.
#pragma once

#include <QString>

#include "jet/core/status.h"

namespace app {

inline constexpr char kOrganisation[] = "Quillmoor";  // names the folder of the default file
inline constexpr char kSection[] = "Fieldmend";       // every key lives in this section

// The keys, spelled as the windows have always spelled them.
inline constexpr char kKeyDatabasePath[] = "AccessMDBFile";
inline constexpr char kKeyPassword[] = "AccessPassword";
inline constexpr char kKeyTab[] = "TabControl1";
inline constexpr char kKeySeparator[] = "Form2.Text2";
inline constexpr char kDefaultSeparator[] = "::";
// The main window's match options, "1" when on; absent or anything else is off.
inline constexpr char kKeyIgnoreCase[] = "MatchIgnoreCase";
inline constexpr char kKeyWholeWord[] = "MatchWholeWord";
inline constexpr char kKeyRegex[] = "MatchRegex";

class SettingsStore {
 public:
  // `filePath` is the INI file; it and its missing folders are created on the first write.
  explicit SettingsStore(QString filePath);

  // The user's file: <config folder>/Quillmoor/Fieldmend.ini.
  static QString defaultFilePath();
  const QString& filePath() const { return filePath_; }

  // The text stored under `key`, or `fallback` when the key was never written. Any text comes
  // back exactly as written. Fails when the file exists but cannot be read.
  jet::Result<QString> read(const QString& key, const QString& fallback) const;
  // Stores `value` under `key` at once, replacing any earlier value. The file ends up readable
  // and writable by its owner only; folders made for it are the owner's only.
  [[nodiscard]] jet::Status write(const QString& key, const QString& value);

  // The four keys, with their defaults.
  jet::Result<QString> databasePath() const { return read(kKeyDatabasePath, QString()); }
  [[nodiscard]] jet::Status setDatabasePath(const QString& path) {
    return write(kKeyDatabasePath, path);
  }
  jet::Result<QString> password() const { return read(kKeyPassword, QString()); }
  [[nodiscard]] jet::Status setPassword(const QString& password) {
    return write(kKeyPassword, password);
  }
  // The index of the main window's last tab, 0 when absent; a stored text that is not a whole
  // number is an error naming the key.
  jet::Result<int> tabIndex() const;
  [[nodiscard]] jet::Status setTabIndex(int index) {
    return write(kKeyTab, QString::number(index));
  }
  jet::Result<QString> separator() const { return read(kKeySeparator, kDefaultSeparator); }
  [[nodiscard]] jet::Status setSeparator(const QString& separator) {
    return write(kKeySeparator, separator);
  }

 private:
  jet::Status makePrivateFile() const;
  jet::Status makePrivateFolder() const;
  jet::Status keepPrivate() const;
  jet::Error fileError(std::int32_t number, const QString& what, const QString& reason) const;

  QString filePath_;
};

}  // namespace app
