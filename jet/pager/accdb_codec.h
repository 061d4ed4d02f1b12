// accdb_codec.h: the page codecs of password-encrypted .accdb files (Office agile, Office
// standard, RC4 CryptoAPI). Opening one checks the password against the descriptor's verifier and
// derives the key, once; the descriptor itself is read by office_crypto.
#pragma once

#include <memory>
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

}  // namespace jet
