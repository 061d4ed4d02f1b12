#include "app/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/error_codes.h"

namespace app {
namespace {

mode_t modeOf(const QString& path) {
  struct stat info {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info.st_mode & 07777;
}

QByteArray contentsOf(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  QString path_ = dir_.filePath("Quillmoor/Fieldmend.ini");
};

TEST_F(SettingsStoreTest, FirstRunGivesEveryDefaultAndCreatesNothing) {
  SettingsStore store(path_);
  EXPECT_EQ(store.databasePath().value(), "");
  EXPECT_EQ(store.password().value(), "");
  EXPECT_EQ(store.tabIndex().value(), 0);
  EXPECT_EQ(store.separator().value(), "::");
  EXPECT_EQ(store.read("NeverWritten", "fallback").value(), "fallback");
  EXPECT_FALSE(QFile::exists(path_));
  EXPECT_FALSE(QDir(dir_.filePath("Quillmoor")).exists());
}

TEST_F(SettingsStoreTest, AnyTextComesBackExactlyUnderEveryKey) {
  const QString texts[] = {
      "",
      " ",
      "  lead and trail  ",
      "pass word; with # hash = and, commas",
      "=starts with equals",
      ";starts like a comment",
      "#also like a comment",
      "\"quoted\"",
      "'single' \"double",
      "back\\slash\\\\ and C:\\Data\\x.mdb",
      "@Variant(\\0\\0\\0\\x7f)",
      "@@",
      "@Invalid()",
      "[Fieldmend]",
      "key=value\nnext=line\r\nthird\rfourth",
      "tab\there",
      QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                        "e \xE2\x82\xAC \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80"),
      QString(QChar(0x7F)) + QChar(0x01) + "ctl" + QChar(0x1B),
      QString("nul") + QChar(0) + "inside",
      QString(5000, 'x'),
      "a, b",
      ",",
      "true",
      "42",
  };
  SettingsStore store(path_);
  for (const char* key : {kKeyDatabasePath, kKeyPassword, kKeySeparator}) {
    for (const QString& text : texts) {
      ASSERT_TRUE(store.write(key, text).ok());
      // A new store over the same file is what the next start of the program sees.
      jet::Result<QString> back = SettingsStore(path_).read(key, "absent");
      ASSERT_TRUE(back.ok()) << back.error().description;
      EXPECT_EQ(back.value(), text) << key << ": " << text.toStdString();
    }
  }
}

TEST_F(SettingsStoreTest, EachChangeIsStoredAtOnceAndEmptyIsNotAbsent) {
  SettingsStore writer(path_);
  SettingsStore otherCopy(path_);
  const QString typed = "/data/db.mdb";
  for (qsizetype n = 1; n <= typed.size(); ++n) {  // one write per keystroke
    ASSERT_TRUE(writer.setDatabasePath(typed.left(n)).ok());
    EXPECT_EQ(otherCopy.databasePath().value(), typed.left(n));
  }
  ASSERT_TRUE(otherCopy.setPassword("p").ok());  // two copies share the keys
  ASSERT_TRUE(writer.setDatabasePath("").ok());
  ASSERT_TRUE(writer.setSeparator("").ok());
  EXPECT_EQ(otherCopy.read(kKeyDatabasePath, "absent").value(), "");
  EXPECT_EQ(otherCopy.separator().value(), "");  // a cleared separator is not "::" again
  EXPECT_EQ(writer.password().value(), "p");
}

TEST_F(SettingsStoreTest, KeysLiveInTheFieldmendSectionAsSpelledAndHandEditsAreRead) {
  SettingsStore store(path_);
  ASSERT_TRUE(store.setDatabasePath("/x.mdb").ok());
  ASSERT_TRUE(store.setPassword("pw").ok());
  ASSERT_TRUE(store.setTabIndex(1).ok());
  ASSERT_TRUE(store.setSeparator("|").ok());
  EXPECT_EQ(contentsOf(path_),
            "[Fieldmend]\nAccessMDBFile=/x.mdb\nAccessPassword=pw\nForm2.Text2=|\n"
            "TabControl1=1\n");

  writeFile(path_,
            "; kept by hand\n[Other]\nAccessMDBFile=wrong\n[Fieldmend]\n"
            "AccessMDBFile=/home/u/My Files/a.accdb\nTabControl1= 1 \nForm2.Text2=\"a, b\"\n");
  EXPECT_EQ(store.databasePath().value(), "/home/u/My Files/a.accdb");
  EXPECT_EQ(store.tabIndex().value(), 1);
  EXPECT_EQ(store.separator().value(), "a, b");
  EXPECT_EQ(store.password().value(), "");
  ASSERT_TRUE(store.setPassword("s").ok());  // a write keeps what it does not touch
  EXPECT_TRUE(contentsOf(path_).contains("[Other]"));
  EXPECT_EQ(store.databasePath().value(), "/home/u/My Files/a.accdb");
}

TEST_F(SettingsStoreTest, UnusableStoredValuesAreErrorsNamingKeyAndFile) {
  SettingsStore store(path_);
  for (const QString& bad : {QString("abc"), QString("1.5"), QString(""), QString("99999999999")}) {
    ASSERT_TRUE(store.write(kKeyTab, bad).ok());
    jet::Result<int> tab = store.tabIndex();
    ASSERT_FALSE(tab.ok()) << bad.toStdString();
    EXPECT_EQ(tab.error().number, err::kSettingNotNumber);
    EXPECT_NE(tab.error().description.find("TabControl1"), std::string::npos);
    EXPECT_NE(tab.error().description.find(path_.toStdString()), std::string::npos);
  }
  writeFile(path_, "[Fieldmend]\nAccessMDBFile=a, b\n");  // an unquoted list, edited by hand
  jet::Result<QString> listed = store.databasePath();
  ASSERT_FALSE(listed.ok());
  EXPECT_EQ(listed.error().number, err::kSettingNotText);
}

TEST_F(SettingsStoreTest, TheFileAndTheFoldersMadeForItAreTheOwnersOnly) {
  const QString deep = dir_.filePath("existing/new1/new2/Fieldmend.ini");
  ASSERT_TRUE(QDir().mkpath(dir_.filePath("existing")));
  ::chmod(QFile::encodeName(dir_.filePath("existing")).constData(), 0755);
  SettingsStore store(deep);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(store.setPassword(QString::number(i)).ok());
  EXPECT_EQ(modeOf(deep), 0600u);
  EXPECT_EQ(modeOf(dir_.filePath("existing/new1")), 0700u);
  EXPECT_EQ(modeOf(dir_.filePath("existing/new1/new2")), 0700u);
  EXPECT_EQ(modeOf(dir_.filePath("existing")), 0755u);  // not ours to change

  ::chmod(QFile::encodeName(deep).constData(), 0664);  // left readable by an older copy
  ASSERT_TRUE(store.setTabIndex(1).ok());
  EXPECT_EQ(modeOf(deep), 0600u);
  EXPECT_EQ(store.password().value(), "2");
}

TEST_F(SettingsStoreTest, AFailedWriteNamesFileAndKeyButNeverTheValue) {
  writeFile(dir_.filePath("plainfile"), "x");
  ASSERT_TRUE(QDir().mkpath(dir_.filePath("folder.ini")));
  for (const QString& path :
       {dir_.filePath("plainfile/Fieldmend.ini"), dir_.filePath("folder.ini")}) {
    jet::Status status = SettingsStore(path).setPassword("hunter2-secret");
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.number(), err::kSettingsWrite);
    EXPECT_NE(status.description().find(path.toStdString()), std::string::npos);
    EXPECT_EQ(status.description().find("hunter2"), std::string::npos);
  }
}

TEST(SettingsStoreDefault, LivesInTheOrganisationFolder) {
  EXPECT_TRUE(SettingsStore::defaultFilePath().endsWith("/Quillmoor/Fieldmend.ini"))
      << SettingsStore::defaultFilePath().toStdString();
}

}  // namespace
}  // namespace app
