// writer_test_support.cpp: temp copies, file views and oracle runs for the writer tests.
#include "writer_test_support.h"

#include <stdio.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "jet/integrity_check.h"
#include "jet/row/table_pages.h"

namespace writer_test {

std::string corpus(const std::string& relative) {
  return std::string(FIELDMEND_CORPUS_DIR) + "/" + relative;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "writer-test-XXXXXX").string();
  dir_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

TempDir::~TempDir() {
  if (std::getenv("WRITER_TEST_KEEP") != nullptr) return;  // for debugging a failure
  std::error_code ignored;
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(dir_, ignored);
}

std::string TempDir::copy(const std::string& corpusFile) const {
  std::string to = dir_ + "/" + std::filesystem::path(corpusFile).filename().string();
  std::filesystem::copy_file(corpus(corpusFile), to,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(
      to, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
      std::filesystem::perm_options::add);
  return to;
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

FileView openView(const std::string& path) {
  FileView view;
  view.source = jet::PageChannel::open(path).value();
  view.jet3 = view.source->format().jet3;
  view.pages = std::make_unique<jet::PageCache>(*view.source);
  return view;
}

std::optional<jet::TableStorage> findTable(const FileView& view, const std::string& name) {
  auto tables = jet::localTables(*view.pages, view.format());
  if (!tables) return std::nullopt;
  for (const auto& t : *tables) {
    if (t.name == name) {
      auto storage = jet::readTableStorage(*view.pages, t.tdefPage, view.format(), t.name);
      if (storage) return std::move(storage).value();
    }
  }
  return std::nullopt;
}

std::vector<std::string> integrityProblems(const std::string& path, const std::string& password) {
  auto problems = jet::checkDatabaseFile(path, password);
  if (!problems) return {"check failed: " + problems.error().description};
  return *problems;
}

std::optional<std::string> run(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string out;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  int status = ::pclose(pipe);
  if (status != 0) return std::nullopt;
  return out;
}

bool haveOracles() {
  return run("command -v node >/dev/null && command -v mdb-json >/dev/null && test -d " +
             std::string(FIELDMEND_SOURCE_DIR) + "/tools/oracle/node_modules/mdb-reader")
      .has_value();
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string oracleDifferences(const std::string& before, const std::string& after,
                              const std::string& table, const std::string& expectJson) {
  std::string expectPath = after + ".expect.json";
  std::ofstream(expectPath) << expectJson;
  std::string script = std::string(FIELDMEND_SOURCE_DIR) + "/tests/writer/compare_oracles.mjs";
  std::string modules = std::string(FIELDMEND_SOURCE_DIR) + "/tools/oracle/node_modules";
  std::string command = "node '" + script + "' --modules '" + modules + "' --before '" + before +
                        "' --after '" + after + "' --table '" + table + "' --expect '" +
                        expectPath + "' 2>&1; echo \"exit $?\"";
  auto out = run(command);
  if (!out) return "could not run the oracles";
  if (out->ends_with("exit 0\n")) return "";
  return *out;
}

}  // namespace writer_test
