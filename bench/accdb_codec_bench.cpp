// accdb_codec_bench.cpp: cost of an encrypted .accdb's page codec: opening it (password check and
// key derivation), then decoding and encoding every page, with heap allocations counted per page.
// Usage: accdb_codec_bench FILE --password P [--repeat N]
#include <openssl/crypto.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "jet/pager/accdb_codec.h"
#include "jet/pager/header.h"
#include "jet/pager/office_crypto.h"

namespace {

long allocations = 0;  // by OpenSSL and by operator new, counted from main's start

void* countedMalloc(std::size_t n, const char*, int) {
  ++allocations;
  return std::malloc(n);
}
void* countedRealloc(void* p, std::size_t n, const char*, int) {
  ++allocations;
  return std::realloc(p, n);
}
void countedFree(void* p, const char*, int) { std::free(p); }

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

}  // namespace

void* operator new(std::size_t n) {
  ++allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
  CRYPTO_set_mem_functions(countedMalloc, countedRealloc, countedFree);
  if (argc < 4 || std::strcmp(argv[2], "--password") != 0) {
    std::fprintf(stderr, "usage: accdb_codec_bench FILE --password P [--repeat N]\n");
    return 2;
  }
  std::string path = argv[1], password = argv[3];
  int repeat = argc > 5 && std::strcmp(argv[4], "--repeat") == 0 ? std::atoi(argv[5]) : 20;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
  auto header = jet::parseHeader(file, path, file.size());
  if (!header.ok()) {
    std::fprintf(stderr, "%s\n", header.error().description.c_str());
    return 1;
  }
  auto what = jet::describeAccdbEncryption(header->page, path);
  auto start = Clock::now();
  auto codec = jet::openAccdbCodec(header->page, password, path);
  double openSeconds = secondsSince(start);
  if (!what.ok() || !codec.ok()) {
    std::fprintf(stderr, "%s\n", (what.ok() ? codec.error() : what.error()).description.c_str());
    return 1;
  }
  const std::size_t pageSize = header->info.pageSize;
  const std::size_t pages = file.size() / pageSize;
  const double runs = repeat * static_cast<double>(pages - 1);
  std::vector<std::uint8_t> work(pageSize);

  auto run = [&](bool decode) {
    long before = allocations;
    auto t = Clock::now();
    for (int r = 0; r < repeat; ++r) {
      for (std::size_t n = 1; n < pages; ++n) {
        std::memcpy(work.data(), file.data() + n * pageSize, pageSize);
        auto number = static_cast<std::uint32_t>(n);
        decode ? (*codec)->decode(number, work) : (*codec)->encode(number, work);
      }
    }
    double perPage = secondsSince(t) / runs;
    std::printf("%-7s %8.0f ns/page  %7.1f MB/s  %.2f allocations/page\n",
                decode ? "decode" : "encode", perPage * 1e9,
                static_cast<double>(pageSize) / perPage / 1e6,
                static_cast<double>(allocations - before) / runs);
  };
  std::printf("%s: %s, %s, %s, %d-bit key, %u spins; %zu pages\n", path.c_str(), what->kind.c_str(),
              what->cipher.c_str(), what->hash.c_str(), what->keyBits, what->spinCount, pages);
  std::printf("open    %8.1f ms (password check and key derivation)\n", openSeconds * 1e3);
  run(true);
  run(false);

  auto t = Clock::now();
  for (int r = 0; r < repeat; ++r) {
    for (std::size_t n = 1; n < pages; ++n) {
      std::memcpy(work.data(), file.data() + n * pageSize, pageSize);
    }
  }
  std::printf("copy    %8.0f ns/page  (the plain page channel's share, for scale)\n",
              secondsSince(t) / runs * 1e9);
  return work[0] == 0xFF ? 3 : 0;  // keeps the copies from being optimised away
}
