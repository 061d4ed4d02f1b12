// test_corpus.h: for tests that read the corpus of real Access-made files. Where the corpus is
// optional (a developer's checkout without it) such a test skips; on the build server (CI=true)
// a missing corpus file fails the test instead, so that no check silently stops running.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace jet::testing {

// True when the environment says this is the build server, where the corpus must be present.
inline bool corpusRequired() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

inline bool corpusFilePresent(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored);
}

}  // namespace jet::testing

// In a test body: skips the test when the corpus file `path` is missing, or fails it there
// when the corpus is required.
#define SKIP_WITHOUT_CORPUS_FILE(path)                                                \
  do {                                                                                \
    const std::string corpus_file_ = (path);                                          \
    if (!::jet::testing::corpusFilePresent(corpus_file_)) {                           \
      if (::jet::testing::corpusRequired()) {                                         \
        FAIL() << "corpus file missing (required because CI=true): " << corpus_file_; \
      }                                                                               \
      GTEST_SKIP() << "no corpus file " << corpus_file_;                              \
    }                                                                                 \
  } while (0)
