// long_value_test.cpp: memo/OLE values in each stored form, over hand-built pages and as the
// builder stores them, and the damaged chains (cyclic, too short, pointing outside the file)
// that must fail cleanly.
#include "jet/row/long_value.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "jet/core/error_codes.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

constexpr std::uint32_t kPage = 4096;

// A Jet4 data page that rows are appended to, from the page end down.
struct DataPage {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kPage, 0);
  std::size_t top = kPage;
  DataPage() { bytes[0] = 0x01, bytes[1] = 0x01; }
  std::uint8_t add(const std::vector<std::uint8_t>& row) {
    std::uint16_t count = static_cast<std::uint16_t>(bytes[12] | (bytes[13] << 8));
    top -= row.size();
    std::copy(row.begin(), row.end(), bytes.begin() + static_cast<long>(top));
    bytes[14 + 2u * count] = static_cast<std::uint8_t>(top);
    bytes[15 + 2u * count] = static_cast<std::uint8_t>(top >> 8);
    ++count;
    bytes[12] = static_cast<std::uint8_t>(count);
    return static_cast<std::uint8_t>(count - 1);
  }
};

void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int n = 0; n < 4; ++n)
    b[at + static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(v >> (8 * n));
}

std::vector<std::uint8_t> pointerRow(std::uint32_t next, const std::string& data) {
  std::vector<std::uint8_t> row;
  for (int n = 0; n < 4; ++n) row.push_back(static_cast<std::uint8_t>(next >> (8 * n)));
  for (char c : data) row.push_back(static_cast<std::uint8_t>(c));
  return row;
}

std::vector<std::uint8_t> descriptor(std::uint32_t head, std::uint32_t pointer) {
  std::vector<std::uint8_t> d(12, 0);
  putU32(d, 0, head);
  putU32(d, 4, pointer);
  return d;
}

std::string text(const Result<std::vector<std::uint8_t>>& r) {
  return r.ok() ? std::string(r->begin(), r->end()) : "error: " + r.error().description;
}

// A temporary file of a blank page 0, data pages 1 and 2 built by the test (and more that store()
// adds, one row each), and a blank last page.
class LongValueTest : public ::testing::Test, public LongValueStore {
 protected:
  Result<std::uint32_t> store(std::uint16_t column, std::span<const std::uint8_t> row) override {
    columns_.push_back(column);
    more_.emplace_back();
    std::uint8_t n = more_.back().add(std::vector<std::uint8_t>(row.begin(), row.end()));
    return static_cast<std::uint32_t>((2 + more_.size()) << 8) | n;
  }

  void build() {
    path_ = ::testing::TempDir() + "lv_test_" + std::to_string(::getpid()) + ".bin";
    std::ofstream out(path_, std::ios::binary);
    std::vector<std::uint8_t> blank(kPage, 0);
    std::vector<const std::vector<std::uint8_t>*> pages = {&blank, &page1_.bytes, &page2_.bytes};
    for (const auto& p : more_) pages.push_back(&p.bytes);
    pages.push_back(&blank);
    for (const auto* p : pages) out.write(reinterpret_cast<const char*>(p->data()), kPage);
    out.close();
    file_ = std::move(PageFile::openReadOnly(path_).value());
    pages_ = std::make_unique<PageReader>(*file_, kPage, 0);
    reader_ = std::make_unique<LongValueReader>(*pages_, kFormatJet4);
  }
  void TearDown() override { std::remove(path_.c_str()); }

  DataPage page1_, page2_;
  std::vector<DataPage> more_;
  std::vector<std::uint16_t> columns_;
  std::string path_;
  std::unique_ptr<PageFile> file_;
  std::unique_ptr<PageReader> pages_;
  std::unique_ptr<LongValueReader> reader_;
};

TEST_F(LongValueTest, InlineSingleRowAndChain) {
  std::uint8_t single = page1_.add({'s', 'i', 'n', 'g', 'l', 'e', '!', '!'});
  std::uint8_t second = page2_.add(pointerRow(0, "world"));
  std::uint8_t first = page1_.add(pointerRow((2u << 8) | second, "hello "));
  build();
  auto inlineValue = descriptor(0x80000000u | 3, 0);
  for (char c : std::string("abc")) inlineValue.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(text(reader_->read(inlineValue)), "abc");
  EXPECT_EQ(text(reader_->read(descriptor(0x40000000u | 6, (1u << 8) | single))), "single");
  EXPECT_EQ(text(reader_->read(descriptor(11, (1u << 8) | first))), "hello world");
}

TEST_F(LongValueTest, BuiltValuesGoInlineInOneRowOrInAChain) {
  const std::size_t maxRow = kFormatJet4.maxSingleLongValue;
  auto inline64 = encodeLongValue(std::vector<std::uint8_t>(64, 'a'), 5, *this);
  ASSERT_TRUE(inline64.ok());
  EXPECT_EQ(inline64->size(), 12u + 64u);
  EXPECT_EQ((*inline64)[3], 0x80);
  EXPECT_TRUE(more_.empty());

  auto single = encodeLongValue(std::vector<std::uint8_t>(maxRow, 'b'), 5, *this);
  ASSERT_TRUE(single.ok());
  EXPECT_EQ(single->size(), 12u);
  EXPECT_EQ((*single)[3], 0x40);
  EXPECT_EQ(more_.size(), 1u);

  std::vector<std::uint8_t> big(3 * (maxRow - 4) + 10);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  auto chain = encodeLongValue(big, 6, *this);
  ASSERT_TRUE(chain.ok());
  EXPECT_EQ((*chain)[3] & 0xC0, 0);
  EXPECT_EQ(u32(*chain, 0), big.size());
  EXPECT_EQ(more_.size(), 1u + 4u);
  EXPECT_EQ(columns_.back(), 6);

  build();
  EXPECT_EQ(*reader_->read(*inline64), std::vector<std::uint8_t>(64, 'a'));
  EXPECT_EQ(*reader_->read(*single), std::vector<std::uint8_t>(maxRow, 'b'));
  EXPECT_EQ(*reader_->read(*chain), big);
}

TEST_F(LongValueTest, CyclicChainIsAnError) {
  // row 0 points at row 1, row 1 back at row 0: a value longer than both never ends
  page1_.add(pointerRow((1u << 8) | 1, "ab"));
  page1_.add(pointerRow((1u << 8) | 0, "cd"));
  build();
  auto r = reader_->read(descriptor(1000, (1u << 8) | 0));
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().number, err::kBadPage);
  EXPECT_NE(r.error().description.find("cyclic"), std::string::npos);
}

TEST_F(LongValueTest, DamagedDescriptorsFailCleanly) {
  std::uint8_t row = page1_.add(pointerRow(0, "short"));
  build();
  EXPECT_FALSE(reader_->read(descriptor(100, (1u << 8) | row)).ok());  // chain ends early
  EXPECT_FALSE(reader_->read(descriptor(0x40000000u | 99, (1u << 8) | row)).ok());  // row too short
  EXPECT_FALSE(reader_->read(descriptor(0x40000000u | 1, (9u << 8) | 0)).ok());  // page beyond file
  EXPECT_FALSE(reader_->read(descriptor(0x40000000u | 1, (1u << 8) | 7)).ok());  // no such row
  EXPECT_FALSE(reader_->read(descriptor(0x80000000u | 50, 0)).ok());             // inline past row
  EXPECT_FALSE(reader_->read(descriptor(0x3FFFFFFFu, (1u << 8) | row)).ok());    // longer than file
  EXPECT_FALSE(reader_->read(std::vector<std::uint8_t>(5, 0)).ok());             // cut descriptor
}

TEST_F(LongValueTest, UsageMapsInlineAndReference) {
  // inline: start page 0, bits for pages 1 and 2
  std::vector<std::uint8_t> inlineMap = {0, 0, 0, 0, 0, 0x06, 0};
  std::uint8_t inlineRow = page1_.add(inlineMap);
  // reference: bitmap page 3 (left all zero here) and an out-of-file bit in an inline map
  std::vector<std::uint8_t> beyond = {0, 0, 0, 0, 0, 0x00, 0x01};  // page 8
  std::uint8_t beyondRow = page1_.add(beyond);
  build();
  auto map = UsageMap::read(*pages_, kFormatJet4, (1u << 8) | inlineRow);
  ASSERT_TRUE(map.ok()) << map.error().description;
  EXPECT_EQ(map->kind(), UsageMap::Kind::kInline);
  EXPECT_EQ(map->pages(), (std::vector<std::uint32_t>{1, 2}));
  EXPECT_TRUE(map->contains(2));
  EXPECT_FALSE(map->contains(3));
  auto bad = UsageMap::read(*pages_, kFormatJet4, (1u << 8) | beyondRow);
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().number, err::kBadPage);
}

}  // namespace
}  // namespace jet
