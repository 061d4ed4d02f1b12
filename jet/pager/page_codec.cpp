// page_codec.cpp: Jet's RC4 page encoding, and choosing a file's codec.
#include "jet/pager/page_codec.h"

#include <array>

#include "jet/core/error_codes.h"
#include "jet/pager/accdb_codec.h"
#include "jet/pager/rc4.h"

namespace jet {

void Rc4PageCodec::decode(std::uint32_t number, std::span<std::uint8_t> page) const {
  std::uint32_t k = key_ ^ number;
  std::array<std::uint8_t, 4> key = {
      static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
      static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
  rc4Apply(key, page);
}

std::unique_ptr<PageCodec> jetPageCodec(std::uint32_t encodingKey) {
  if (encodingKey == 0) return std::make_unique<PlainPageCodec>();
  return std::make_unique<Rc4PageCodec>(encodingKey);
}

Result<std::unique_ptr<PageCodec>> openPageCodec(const Header& header, const std::string& password,
                                                 const std::string& path) {
  const HeaderInfo& info = header.info;
  if (info.version >= Version::kAce12) {
    if (info.encodingKey == 0) return std::unique_ptr<PageCodec>(new PlainPageCodec());
    // The descriptor in the unmasked header page names the cipher; the password is checked
    // against its verifier before any other page is read.
    return openAccdbCodec(header.page, password, path);
  }
  JET_TRY(checkPassword(header, password));
  return jetPageCodec(info.encodingKey);
}

}  // namespace jet
