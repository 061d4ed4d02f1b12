// crypto_primitives.h: the OpenSSL pieces the .accdb ciphers are built from: byte buffers that
// are wiped when freed, a reusable hash and a reusable block cipher. Knows nothing of pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/core/bytes.h"

namespace jet {

void wipe(std::span<std::uint8_t> bytes);

// Overwrites memory before handing it back, so keys and password bytes do not linger on the heap.
template <typename T>
struct WipingAllocator {
  using value_type = T;
  WipingAllocator() = default;
  template <typename U>
  WipingAllocator(const WipingAllocator<U>&) {}  // NOLINT: allocator rebinding
  T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
  void deallocate(T* p, std::size_t n) {
    wipe({reinterpret_cast<std::uint8_t*>(p), n * sizeof(T)});
    std::allocator<T>().deallocate(p, n);
  }
  template <typename U>
  bool operator==(const WipingAllocator<U>&) const {
    return true;
  }
};

using SecretBytes = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

// A hash function, by its OpenSSL name ("SHA1", "SHA512", ...). SHA-1 and the SHA-2 family run
// without touching the heap, so they can be used on every page; any other hash OpenSSL provides
// works too, at the price of OpenSSL re-creating its context on each call.
class Hash {
 public:
  ~Hash();
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;

  // nullptr when OpenSSL does not provide `opensslName`.
  static std::unique_ptr<Hash> create(const std::string& opensslName);
  std::size_t size() const { return size_; }
  // Writes H(parts[0] || parts[1] || ...) to out[0, size()). `out` holds at least size() bytes.
  void digest(std::initializer_list<Bytes> parts, std::span<std::uint8_t> out);

 private:
  enum class Kind { kSha1, kSha256, kSha384, kSha512, kOther };
  struct Evp;
  Hash(Kind kind, std::size_t size, std::unique_ptr<Evp> evp);
  Kind kind_;
  std::size_t size_;
  std::unique_ptr<Evp> evp_;
};

// One direction of a block cipher in a fixed mode (ECB, CBC, CFB or CTR), by its OpenSSL name
// ("AES-256-CBC"), without padding. The key schedule stays in the context; re-keying and new IVs reuse it.
class BlockCipher {
 public:
  ~BlockCipher();
  BlockCipher(const BlockCipher&) = delete;
  BlockCipher& operator=(const BlockCipher&) = delete;

  // nullptr when OpenSSL does not provide `opensslName`.
  static std::unique_ptr<BlockCipher> create(const std::string& opensslName, bool encrypt);
  std::size_t keyLength() const;
  std::size_t ivLength() const;   // 0 for ECB
  std::size_t blockSize() const;  // the unit `apply` works in (1 for CFB8 and CTR)
  // `key` holds keyLength() bytes; `iv` ivLength() bytes (empty for ECB). False if refused.
  bool setKey(Bytes key, Bytes iv);
  // New IV, same key. False if refused.
  bool setIv(Bytes iv);
  // Runs the cipher over `data` in place; its size is a multiple of blockSize(). False if refused.
  bool apply(std::span<std::uint8_t> data);

 private:
  struct Ctx;
  explicit BlockCipher(std::unique_ptr<Ctx> ctx, bool encrypt);
  std::unique_ptr<Ctx> ctx_;
  bool encrypt_;
};

}  // namespace jet
