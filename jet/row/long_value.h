// long_value.h: memo and OLE values: the 12-byte descriptor and the inline, single-row and
// chained forms, with every chain bounded (a cycle or a too-long chain is an error).
#pragma once

#include <string>

#include "jet/core/format.h"
#include "jet/pager/page_codec.h"
#include "jet/row/row_codec.h"

namespace jet {

class LongValueReader : public LongValueSource {
 public:
  LongValueReader(const PageReader& pages, const Format& f) : pages_(pages), f_(f) {}
  Result<std::vector<std::uint8_t>> read(Bytes descriptor) const override;

 private:
  Result<Bytes> rowBytes(std::uint32_t pointer, const PagePtr& holder) const;
  Result<std::vector<std::uint8_t>> readChain(std::uint32_t pointer, std::size_t length) const;
  Error error(const std::string& what) const;

  const PageReader& pages_;
  const Format& f_;
};

}  // namespace jet
