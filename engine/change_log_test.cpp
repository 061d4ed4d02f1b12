#include "engine/change_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "jet/core/test_scratch_folder.h"

namespace engine {
namespace {

EnvLookup envFrom(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const char* name) -> const char* {
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  };
}

TEST(ChangeLog, PathPrefersTempThenTmpdirThenSlashTmp) {
  EXPECT_EQ(changeLogPath(envFrom({{"TEMP", "/x/t"}, {"TMPDIR", "/y"}})), "/x/t/backups.log");
  EXPECT_EQ(changeLogPath(envFrom({{"TEMP", "/x/t/"}})), "/x/t/backups.log");
  EXPECT_EQ(changeLogPath(envFrom({{"TEMP", ""}, {"TMPDIR", "/y"}})), "/y/backups.log");
  EXPECT_EQ(changeLogPath(envFrom({})), "/tmp/backups.log");
}

TEST(ChangeLog, LineFormatAndAppendOnlyCrLfFile) {
  EXPECT_EQ(changeLogLine("2026-12-08 10:00:00", "Par", "Ber", "Customers", "City"),
            "[2026-12-08 10:00:00] - Par was replace to Ber at table (Customers) and column "
            "(City)");
  jet::testing::ScratchFolder dir;  // a folder of its own, so that runs side by side never meet
  const std::string path = dir.file("backups.log");
  {
    std::ofstream(path, std::ios::binary) << "earlier\r\n";
  }
  ChangeLog log;
  ASSERT_TRUE(log.open(path).ok());
  ASSERT_TRUE(log.append("one").ok());
  ASSERT_TRUE(log.append("two 'quoted' [x]").ok());
  ASSERT_TRUE(log.sync().ok());
  log.close();
  std::stringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  EXPECT_EQ(all.str(), "earlier\r\none\r\ntwo 'quoted' [x]\r\n");
}

TEST(ChangeLog, UnwritableFolderIsAnErrorNamingTheFile) {
  ChangeLog log;
  auto s = log.open("/nonexistent-folder/backups.log");
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.description().find("/nonexistent-folder/backups.log"), std::string::npos);
  EXPECT_FALSE(log.append("x").ok());
  if (!std::filesystem::exists("/dev/full")) return;
  ASSERT_TRUE(log.open("/dev/full").ok());
  (void)log.append("x");  // gathered; the failure shows when the line must reach the disk
  EXPECT_EQ(log.sync().description(),
            "cannot write the change log /dev/full: No space left on device");
}

}  // namespace
}  // namespace engine
