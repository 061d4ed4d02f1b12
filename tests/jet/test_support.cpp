// test_support.cpp: corpus paths and temporary copies for the engine's tests.
#include "tests/jet/test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace jet::testing {

std::string corpusPath(const std::string& relative) {
  return std::string(FIELDMEND_CORPUS_DIR) + "/" + relative;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "fieldmend-jet-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  dir_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string TempDir::copy(const std::string& corpusRelative) const {
  auto target = dir_ / std::filesystem::path(corpusRelative).filename();
  std::filesystem::copy_file(corpusPath(corpusRelative), target,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return target.string();
}

std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace jet::testing
