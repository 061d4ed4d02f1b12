// page_channel_test.cpp: the channel takes each file's page size and codec from its header,
// decodes every page but the header on the way in and encodes it on the way out; the reader's
// cache over it keeps the pages it handed out intact.
#include "jet/pager/page_channel.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "jet/core/error_codes.h"
#include "jet/core/test_scratch_folder.h"
#include "jet/page/data_page.h"
#include "jet/pager/page_reader.h"
#include "jet/schema/catalogue.h"

namespace jet {
namespace {

using testing::readWhole;
using testing::ScratchFolder;
using testing::writeWhole;

std::string corpus(const std::string& relative) {
  return std::string(FIELDMEND_CORPUS_DIR) + "/" + relative;
}

std::string copyOf(const ScratchFolder& folder, const std::string& relative) {
  std::string to = folder.file(std::filesystem::path(relative).filename().string());
  std::filesystem::copy_file(corpus(relative), to);
  std::filesystem::permissions(to, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return to;
}

TEST(PageCodec, Rc4CodingTwiceRestoresAndTheKeyDependsOnThePage) {
  std::vector<std::uint8_t> page(4096);
  for (std::size_t n = 0; n < page.size(); ++n) page[n] = static_cast<std::uint8_t>(n * 7);
  Rc4PageCodec codec(0xA7B773E0);
  auto coded = page;
  codec.encode(5, coded);
  EXPECT_NE(coded, page);
  auto other = page;
  codec.encode(6, other);
  EXPECT_NE(other, coded);
  codec.decode(5, coded);
  EXPECT_EQ(coded, page);
}

TEST(PageChannel, PageSizeAndFormatComeFromTheHeader) {
  struct Case {
    const char* file;
    std::uint32_t pageSize;
    bool jet3;
  };
  for (const Case& c : {Case{"jackcess/V1997/testV1997.mdb", 2048, true},
                        Case{"jackcess/V2003/testV2003.mdb", 4096, false},
                        Case{"jackcess/V2010/testV2010.accdb", 4096, false}}) {
    auto channel = PageChannel::open(corpus(c.file));
    ASSERT_TRUE(channel.ok()) << channel.error().description;
    EXPECT_EQ((*channel)->pageSize(), c.pageSize) << c.file;
    EXPECT_EQ((*channel)->format().jet3, c.jet3) << c.file;
    EXPECT_EQ((*channel)->pageCount(), std::filesystem::file_size(corpus(c.file)) / c.pageSize);
  }
  ScratchFolder folder;
  const std::string tiny = folder.file("tiny.mdb");
  writeWhole(tiny, std::vector<std::uint8_t>(4));
  for (const bool forWriting : {false, true}) {
    ChannelOptions options;
    options.forWriting = forWriting;
    auto refused = PageChannel::open(tiny, options);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number, err::kNotAccessFile);
    EXPECT_NE(refused.error().description.find(tiny), std::string::npos);
  }
}

TEST(PageChannel, Rc4EncodedPagesAreDecodedAndTheHeaderPageIsNot) {
  for (const char* file : {"jackcess-encrypt/db97-enc.mdb", "jackcess-encrypt/db-enc.mdb"}) {
    const auto raw = readWhole(corpus(file));
    auto channel = PageChannel::open(corpus(file));
    ASSERT_TRUE(channel.ok()) << channel.error().description;
    ASSERT_NE((*channel)->header().info.encodingKey, 0u) << file;
    const std::uint32_t size = (*channel)->pageSize();
    std::vector<std::uint8_t> page(size);
    ASSERT_TRUE((*channel)->readPage(0, page));
    EXPECT_TRUE(std::equal(page.begin(), page.end(), raw.begin())) << file;
    ASSERT_TRUE((*channel)->readPage(kCatalogueTdefPage, page));
    EXPECT_EQ(page[0], kPageTypeTableDef) << file;
    EXPECT_NE(raw[kCatalogueTdefPage * size], kPageTypeTableDef) << file;
  }
}

// A commit reaches the file encoded as its other pages are: committing a page unchanged leaves
// the file as it was, and one flipped byte flips exactly that byte on disk (RC4 is a stream
// cipher), which then reads back decoded.
TEST(PageChannel, CommitsAreEncodedAsTheFileStoresItsPages) {
  ScratchFolder folder;
  const std::string path = copyOf(folder, "jackcess-encrypt/db-enc.mdb");
  const auto before = readWhole(path);
  ChannelOptions options;
  options.forWriting = true;
  std::size_t at = 0;
  {
    auto channel = PageChannel::open(path, options);
    ASSERT_TRUE(channel.ok()) << channel.error().description;
    const std::uint32_t size = (*channel)->pageSize();
    Page page(size);
    ASSERT_TRUE((*channel)->readPage(kCatalogueTdefPage, page));
    ASSERT_TRUE((*channel)->commit({{kCatalogueTdefPage, page}}));
    EXPECT_EQ(readWhole(path), before);
    page[size - 1] ^= 0xFF;
    ASSERT_TRUE((*channel)->commit({{kCatalogueTdefPage, page}}));
    at = std::size_t{kCatalogueTdefPage} * size + size - 1;
  }
  auto after = readWhole(path);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after[at], before[at] ^ 0xFF);
  after[at] = before[at];
  EXPECT_EQ(after, before);
}

// The reader reads into page buffers nobody holds any more; a page still held keeps its bytes.
TEST(PageReader, APageHeldPastItsEvictionKeepsItsContent) {
  auto channel = PageChannel::open(corpus("jackcess/V2003/testV2003.mdb"));
  ASSERT_TRUE(channel.ok()) << channel.error().description;
  PageReader reader(**channel);
  ASSERT_GT(reader.pageCount(), 3 * PageReader::kCacheSize);
  auto held = reader.page(1);
  ASSERT_TRUE(held.ok());
  const std::vector<std::uint8_t> copy = **held;
  for (std::uint32_t n = 2; n < 2 + 2 * PageReader::kCacheSize; ++n) {
    ASSERT_TRUE(reader.page(n).ok()) << n;
  }
  EXPECT_EQ(**held, copy);
  EXPECT_EQ(**reader.page(1), copy);
  auto beyond = reader.page(reader.pageCount());
  ASSERT_FALSE(beyond.ok());
  EXPECT_NE(beyond.error().description.find(reader.path()), std::string::npos);
}

}  // namespace
}  // namespace jet
