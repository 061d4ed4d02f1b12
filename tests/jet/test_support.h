// test_support.h: helpers for the engine's corpus tests: corpus paths, temporary copies that
// tests may damage, and byte patching.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace jet::testing {

std::string corpusPath(const std::string& relative);

// A private temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Copies a corpus file into the folder and returns the copy's path.
  std::string copy(const std::string& corpusRelative) const;
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

std::vector<std::uint8_t> readAll(const std::string& path);
void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace jet::testing
