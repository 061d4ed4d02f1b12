// terminal_password.h: asks for a password on a terminal with echo turned off, and puts the
// terminal back as it was. The answer is returned, never shown.
#pragma once

#include <optional>
#include <string>

namespace cli {

// Writes `prompt` to `outFd`, then reads one line from the terminal `inFd` without echo. Backspace
// and Ctrl-U edit the line; Ctrl-C, Ctrl-D on an empty line or the end of input give nothing.
std::optional<std::string> readPasswordWithoutEcho(int inFd, int outFd, const std::string& prompt);

}  // namespace cli
