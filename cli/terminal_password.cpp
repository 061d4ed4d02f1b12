// terminal_password.cpp: the no-echo prompt. The terminal is switched to reading byte by byte
// with echo and signals off, so Ctrl-C is read here and the settings are always restored.
#include "cli/terminal_password.h"

#include <termios.h>
#include <unistd.h>

namespace cli {
namespace {

constexpr char kInterrupt = 0x03;  // Ctrl-C
constexpr char kEndOfText = 0x04;  // Ctrl-D
constexpr char kKillLine = 0x15;   // Ctrl-U
constexpr char kBackspace = 0x08;
constexpr char kDelete = 0x7f;

void writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// Drops the last character, with every UTF-8 continuation byte before it.
void dropLastCharacter(std::string& line) {
  while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) line.pop_back();
  if (!line.empty()) line.pop_back();
}

std::optional<std::string> readLine(int inFd) {
  std::string line;
  for (;;) {
    char c = 0;
    if (::read(inFd, &c, 1) != 1) return std::nullopt;
    if (c == '\n' || c == '\r') return line;
    if (c == kInterrupt || (c == kEndOfText && line.empty())) return std::nullopt;
    if (c == kBackspace || c == kDelete) {
      dropLastCharacter(line);
    } else if (c == kKillLine) {
      line.clear();
    } else if (c != kEndOfText) {
      line += c;
    }
  }
}

}  // namespace

std::optional<std::string> readPasswordWithoutEcho(int inFd, int outFd, const std::string& prompt) {
  termios saved{};
  if (::tcgetattr(inFd, &saved) != 0) return std::nullopt;
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG);
  quiet.c_cc[VMIN] = 1;
  quiet.c_cc[VTIME] = 0;
  if (::tcsetattr(inFd, TCSAFLUSH, &quiet) != 0) return std::nullopt;
  writeAll(outFd, prompt);
  std::optional<std::string> line = readLine(inFd);
  ::tcsetattr(inFd, TCSAFLUSH, &saved);
  writeAll(outFd, "\n");
  return line;
}

}  // namespace cli
