// accdb_codec.h: the page codecs of password-encrypted .accdb files (Office agile, Office
// standard, RC4 CryptoAPI). Opening one checks the password against the descriptor's verifier and
// derives the key, once; the descriptor itself is read and written by office_crypto. New files
// get a new agile encryption here.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "jet/core/bytes.h"
#include "jet/core/status.h"
#include "jet/pager/page_codec.h"

namespace jet {

// The codec of the encrypted .accdb whose header page (masked region unmasked) is `headerPage`.
// A wrong or missing password gives err::kAuthFailed "Not a valid password."; a descriptor we
// cannot use gives an error naming `path`. The password is neither kept nor reported; key
// material is wiped when the codec goes. The codec reuses its cipher state from page to page, so
// one thread at a time may use it.
Result<std::unique_ptr<PageCodec>> openAccdbCodec(Bytes headerPage, const std::string& password,
                                                  const std::string& path);

// Encrypts a new file: gives the unencrypted ACE header page `headerPage` (masked region
// unmasked) a new Office agile descriptor for `password` (AES-256-CBC, SHA-512, 100,000 spins;
// salts, data key, verifier and encoding key fresh from the system's random source) and returns
// the codec of its pages, opened from the header just written as any reader would open it. An
// empty password, or one that is not UTF-8, is refused (kUnsupported naming `path`).
Result<std::unique_ptr<PageCodec>> encryptAccdbHeader(std::span<std::uint8_t> headerPage,
                                                      const std::string& password,
                                                      const std::string& path);

}  // namespace jet
