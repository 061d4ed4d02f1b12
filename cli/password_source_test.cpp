// password_source_test.cpp: which password a command opens the database with (option, file,
// environment, prompt), the prompt asked only when needed, and the no-echo read on a real
// pseudo-terminal.
#include "cli/password_source.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "cli/fake_database.h"
#include "cli/program.h"
#include "cli/terminal_password.h"
#include "jet/core/test_scratch_folder.h"

namespace cli {
namespace {

constexpr const char* kPath = "/data/locked.mdb";

struct Outcome {
  int code;
  std::string err;
};

class PasswordSourceTest : public ::testing::Test {
 protected:
  Outcome run(std::vector<std::string> args) {
    std::ostringstream out, err;
    CommandContext context{out, err,
                           [this](const std::string& path, const jet::OpenOptions& o)
                               -> jet::Result<std::unique_ptr<jet::Database>> {
                             opened_.push_back(o.password);
                             return std::unique_ptr<jet::Database>(
                                 std::make_unique<testing::FakeDatabase>(path));
                           }};
    context.env = [this](const char* name) -> const char* {
      return std::string(name) == kPasswordVariable && env_ ? env_ : nullptr;
    };
    if (terminal_) {
      context.needsPassword = [this](const std::string& path) {
        probed_.push_back(path);
        return needed_;
      };
      context.askPassword = [this](const std::string& prompt) {
        prompts_.push_back(prompt);
        return answer_;
      };
    }
    const int code = Program().run(args, context);
    EXPECT_EQ(out.str().find("s3cret"), std::string::npos);
    EXPECT_EQ(err.str().find("s3cret"), std::string::npos);
    return {code, err.str()};
  }

  jet::testing::ScratchFolder scratch_;
  const char* env_ = nullptr;
  bool terminal_ = true;
  bool needed_ = true;
  std::optional<std::string> answer_ = "s3cret-typed";
  std::vector<std::string> opened_, probed_, prompts_;
};

TEST_F(PasswordSourceTest, OptionThenFileThenEnvironmentThenPrompt) {
  const std::string file = scratch_.file("pw");
  std::ofstream(file) << "s3cret-file\r\nsecond line\n";
  env_ = "s3cret-env";

  EXPECT_EQ(run({"info", kPath, "--password", "s3cret-typed"}).code, kExitOk);
  EXPECT_EQ(run({"info", kPath, "--password-file", file}).code, kExitOk);
  EXPECT_EQ(run({"info", kPath}).code, kExitOk);
  env_ = nullptr;
  EXPECT_EQ(run({"info", kPath}).code, kExitOk);
  EXPECT_EQ(opened_, (std::vector<std::string>{"s3cret-typed", "s3cret-file", "s3cret-env",
                                               "s3cret-typed"}));
  EXPECT_EQ(prompts_, std::vector<std::string>{"Password for /data/locked.mdb: "});
  EXPECT_EQ(probed_, std::vector<std::string>{kPath});
}

TEST_F(PasswordSourceTest, PromptOnlyWhenNeededAndOnATerminal) {
  needed_ = false;
  EXPECT_EQ(run({"tables", kPath}).code, kExitOk);
  needed_ = true;
  terminal_ = false;
  EXPECT_EQ(run({"tables", kPath}).code, kExitOk);
  EXPECT_TRUE(prompts_.empty());
  EXPECT_EQ(opened_, (std::vector<std::string>{"", ""}));

  terminal_ = true;
  answer_ = std::nullopt;  // Ctrl-C or the end of input at the prompt
  Outcome cancelled = run({"tables", kPath});
  EXPECT_EQ(cancelled.code, kExitFailure);
  EXPECT_EQ(cancelled.err,
            "fieldmend-cli: tables: /data/locked.mdb needs a password and none was given\n");
}

TEST_F(PasswordSourceTest, BadSourcesNameTheFaultAndOpenNothing) {
  Outcome both = run({"info", kPath, "--password", "s3cret", "--password-file", "f"});
  EXPECT_EQ(both.code, kExitUsage);
  EXPECT_EQ(both.err,
            "fieldmend-cli: info: give --password or --password-file, not both (try "
            "'fieldmend-cli info --help')\n");
  Outcome missing = run({"check", kPath, "--password-file", scratch_.file("none")});
  EXPECT_EQ(missing.code, kExitFailure);
  EXPECT_EQ(missing.err, "fieldmend-cli: check: cannot read the password file " +
                             scratch_.file("none") + ": No such file or directory\n");
  EXPECT_EQ(run({"info", kPath, "--password-file", scratch_.path()}).code, kExitFailure);
  EXPECT_TRUE(opened_.empty());
  EXPECT_TRUE(prompts_.empty());
}

TEST_F(PasswordSourceTest, HelpWarnsThatTheOptionIsVisible) {
  for (const char* command : {"info", "tables", "export", "check", "replace", "sql"}) {
    std::ostringstream out, err;
    CommandContext context{out, err, nullptr};
    ASSERT_EQ(Program().run(std::vector<std::string>{command, "--help"}, context), kExitOk);
    EXPECT_NE(out.str().find("--password-file FILE"), std::string::npos) << command;
    EXPECT_NE(out.str().find("every local user can read it"), std::string::npos) << command;
  }
}

// The prompt on a pseudo-terminal: what is typed is not echoed, editing keys work, and the
// terminal's settings are what they were before.
TEST(TerminalPassword, ReadsWithoutEchoAndRestoresTheTerminal) {
  int master = -1, slave = -1;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  termios before{};
  ::tcgetattr(slave, &before);
  std::optional<std::string> answer;
  std::thread reader([&] { answer = readPasswordWithoutEcho(slave, slave, "Password: "); });
  std::string shown;
  char buffer[256];
  while (shown.find("Password: ") == std::string::npos) {
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    shown.append(buffer, static_cast<std::size_t>(n));
  }
  const std::string typed = "s3cretX\x7f\xc3\xa9\r";  // X taken back, then an e acute
  ASSERT_EQ(::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  reader.join();
  ::fcntl(master, F_SETFL, O_NONBLOCK);
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) {
    shown.append(buffer, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(answer, std::optional<std::string>("s3cret\xc3\xa9"));
  EXPECT_EQ(shown.find("s3cret"), std::string::npos) << shown;
  termios after{};
  ::tcgetattr(slave, &after);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  ::close(master);
  ::close(slave);
}

}  // namespace
}  // namespace cli
