// crypto_primitives.cpp: OpenSSL behind the Hash and BlockCipher wrappers.
//
// OpenSSL 3.0 frees and re-creates a digest context's provider state on every EVP_DigestInit, so
// the hashes that run once per page (SHA-1, SHA-2) use OpenSSL's fixed-size hash structures,
// which live on the stack; those calls are marked deprecated in 3.0 but remain supported.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "jet/pager/crypto_primitives.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <climits>

namespace jet {

void wipe(std::span<std::uint8_t> bytes) {
  if (!bytes.empty()) OPENSSL_cleanse(bytes.data(), bytes.size());
}

namespace {

template <typename Ctx, typename Init, typename Update, typename Final>
void lowLevelDigest(Init init, Update update, Final final, std::initializer_list<Bytes> parts,
                    std::span<std::uint8_t> out) {
  Ctx ctx;
  init(&ctx);
  for (Bytes p : parts) update(&ctx, p.data(), p.size());
  final(out.data(), &ctx);
  OPENSSL_cleanse(&ctx, sizeof ctx);
}

}  // namespace

struct Hash::Evp {
  EVP_MD* md = nullptr;
  EVP_MD_CTX* ctx = nullptr;
  ~Evp() {
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
  }
};

Hash::Hash(Kind kind, std::size_t size, std::unique_ptr<Evp> evp)
    : kind_(kind), size_(size), evp_(std::move(evp)) {}

Hash::~Hash() = default;

std::unique_ptr<Hash> Hash::create(const std::string& opensslName) {
  auto evp = std::make_unique<Evp>();
  evp->md = EVP_MD_fetch(nullptr, opensslName.c_str(), nullptr);
  if (evp->md == nullptr) return nullptr;
  auto size = static_cast<std::size_t>(EVP_MD_get_size(evp->md));
  Kind kind = Kind::kOther;
  if (EVP_MD_is_a(evp->md, "SHA1")) kind = Kind::kSha1;
  if (EVP_MD_is_a(evp->md, "SHA256")) kind = Kind::kSha256;
  if (EVP_MD_is_a(evp->md, "SHA384")) kind = Kind::kSha384;
  if (EVP_MD_is_a(evp->md, "SHA512")) kind = Kind::kSha512;
  if (kind == Kind::kOther) {
    evp->ctx = EVP_MD_CTX_new();
    if (evp->ctx == nullptr || (EVP_MD_get_flags(evp->md) & EVP_MD_FLAG_XOF) != 0) return nullptr;
  }
  return std::unique_ptr<Hash>(new Hash(kind, size, std::move(evp)));
}

void Hash::digest(std::initializer_list<Bytes> parts, std::span<std::uint8_t> out) {
  switch (kind_) {
    case Kind::kSha1:
      lowLevelDigest<SHA_CTX>(SHA1_Init, SHA1_Update, SHA1_Final, parts, out);
      return;
    case Kind::kSha256:
      lowLevelDigest<SHA256_CTX>(SHA256_Init, SHA256_Update, SHA256_Final, parts, out);
      return;
    case Kind::kSha384:
      lowLevelDigest<SHA512_CTX>(SHA384_Init, SHA384_Update, SHA384_Final, parts, out);
      return;
    case Kind::kSha512:
      lowLevelDigest<SHA512_CTX>(SHA512_Init, SHA512_Update, SHA512_Final, parts, out);
      return;
    case Kind::kOther:
      break;
  }
  unsigned int length = 0;
  bool ok = EVP_DigestInit_ex(evp_->ctx, evp_->md, nullptr) == 1;
  for (Bytes p : parts) ok = ok && EVP_DigestUpdate(evp_->ctx, p.data(), p.size()) == 1;
  // OpenSSL fails here only when out of memory; zeros then make the derived key wrong, which the
  // password check reports, rather than leaving stale bytes behind.
  if (!ok || EVP_DigestFinal_ex(evp_->ctx, out.data(), &length) != 1) {
    wipe(out.first(size_));
  }
}

struct BlockCipher::Ctx {
  EVP_CIPHER* cipher = nullptr;
  EVP_CIPHER_CTX* ctx = nullptr;
  ~Ctx() {
    EVP_CIPHER_CTX_free(ctx);  // wipes the key schedule
    EVP_CIPHER_free(cipher);
  }
};

BlockCipher::BlockCipher(std::unique_ptr<Ctx> ctx, bool encrypt)
    : ctx_(std::move(ctx)), encrypt_(encrypt) {}

BlockCipher::~BlockCipher() = default;

std::unique_ptr<BlockCipher> BlockCipher::create(const std::string& opensslName, bool encrypt) {
  auto ctx = std::make_unique<Ctx>();
  ctx->cipher = EVP_CIPHER_fetch(nullptr, opensslName.c_str(), nullptr);
  if (ctx->cipher == nullptr) return nullptr;
  int mode = EVP_CIPHER_get_mode(ctx->cipher);
  if (mode != EVP_CIPH_ECB_MODE && mode != EVP_CIPH_CBC_MODE && mode != EVP_CIPH_CFB_MODE &&
      mode != EVP_CIPH_CTR_MODE) {
    return nullptr;
  }
  ctx->ctx = EVP_CIPHER_CTX_new();
  if (ctx->ctx == nullptr) return nullptr;
  return std::unique_ptr<BlockCipher>(new BlockCipher(std::move(ctx), encrypt));
}

std::size_t BlockCipher::keyLength() const {
  return static_cast<std::size_t>(EVP_CIPHER_get_key_length(ctx_->cipher));
}
std::size_t BlockCipher::ivLength() const {
  return static_cast<std::size_t>(EVP_CIPHER_get_iv_length(ctx_->cipher));
}
std::size_t BlockCipher::blockSize() const {
  return static_cast<std::size_t>(EVP_CIPHER_get_block_size(ctx_->cipher));
}

bool BlockCipher::setKey(Bytes key, Bytes iv) {
  if (key.size() != keyLength() || iv.size() != ivLength()) return false;
  if (EVP_CipherInit_ex(ctx_->ctx, ctx_->cipher, nullptr, key.data(),
                        iv.empty() ? nullptr : iv.data(), encrypt_ ? 1 : 0) != 1) {
    return false;
  }
  return EVP_CIPHER_CTX_set_padding(ctx_->ctx, 0) == 1;
}

bool BlockCipher::setIv(Bytes iv) {
  if (iv.size() != ivLength()) return false;
  return EVP_CipherInit_ex(ctx_->ctx, nullptr, nullptr, nullptr, iv.data(), -1) == 1;
}

bool BlockCipher::apply(std::span<std::uint8_t> data) {
  if (data.size() % blockSize() != 0 || data.size() > INT_MAX) return false;
  int written = 0;
  if (EVP_CipherUpdate(ctx_->ctx, data.data(), &written, data.data(),
                       static_cast<int>(data.size())) != 1) {
    return false;
  }
  return static_cast<std::size_t>(written) == data.size();
}

}  // namespace jet
