// Preparing the package: every block read is counted, the first bytes produced are seen once, and the pace
// decides when the user is shown that preparation takes a while (never for one that ends in time).
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "inflate_package.h"
#include "preparation_progress.h"
#include "test_support.h"

using namespace package_test;

namespace {

class CountingProgress : public talv::PreparationProgress {
 public:
  void Read(uint64_t bytes) override {
    total += bytes;
    ++blocks;
  }
  void ArchiveBegins(const unsigned char* bytes, size_t count) override {
    firstBytes.emplace_back(reinterpret_cast<const char*>(bytes), count);
  }
  uint64_t total = 0;
  int blocks = 0;
  std::vector<std::string> firstBytes;
};

TEST(PreparationProgressTest, CopyAndInflateCountEveryByteOfThePackage) {
  const std::string archive = ArchiveHeader(0, 1, 1) + EntryBytes("big.bin", "[PRG]", NoiseBytes(700000, 7));
  const std::string package = Compress(archive, 6);
  ScratchDir dir;
  {
    ByteFile source(dir, package);
    ByteFile copy(dir, "", "wb");
    CountingProgress progress;
    ASSERT_TRUE(talv::CopyPackage(source.get(), copy.get(), &progress));
    EXPECT_EQ(progress.total, package.size());
    EXPECT_GT(progress.blocks, 1) << "one block for the whole package";
    EXPECT_TRUE(progress.firstBytes.empty());
  }
  ByteFile source(dir, package);
  ByteFile inflated(dir, "", "wb");
  CountingProgress progress;
  ASSERT_EQ(InflatePackage(source.get(), inflated.get(), &progress), 0);
  EXPECT_EQ(progress.total, package.size());
  ASSERT_EQ(progress.firstBytes.size(), 1u);
  ASSERT_GE(progress.firstBytes[0].size(), 2u);
  EXPECT_EQ(progress.firstBytes[0].substr(0, 2), std::string("\0\1", 2)) << "the flag bytes come first";
}

// A raw deflate segment of `zeros` zero bytes that ends on a byte and reaches back into nothing before it, padded
// with empty stored blocks to exactly `size` bytes; empty when no padding fits.
std::string ZeroSegment(size_t zeros, size_t size) {
  z_stream stream = {};
  if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return std::string();
  const std::string input(zeros, '\0');
  std::string out(deflateBound(&stream, static_cast<uLong>(zeros)) + 16, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(zeros);
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  const int ret = deflate(&stream, Z_FULL_FLUSH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (ret != Z_OK || out.size() > size || (size - out.size()) % 5 != 0) return std::string();
  while (out.size() < size) out += std::string("\0\0\0\xFF\xFF", 5);
  return out;
}

// zlib counts what it produced in an unsigned long, which on Windows is 32 bits and comes round after 4 GiB.
// The stream is cut so that each 16,384-byte read inflates to whole 16,384-byte output blocks, so one block
// starts at exactly 4 GiB, where that count reads as if the archive began again.
TEST(PreparationProgressTest, TheArchiveBeginsOnceInAStreamPastFourGibibytes) {
  if (sizeof(uLong) > 4) GTEST_SKIP() << "zlib counts in 64 bits here";
  constexpr size_t kSegment = 2048;  // a read holds whole segments
  std::string first, rest;
  size_t firstZeros = 0, restZeros = 0;
  for (size_t blocks = 16; blocks < 128 && (first.empty() || rest.empty()); ++blocks) {
    if (first.empty() && !(first = ZeroSegment(blocks * 16384, kSegment - 2)).empty()) firstZeros = blocks * 16384;
    if (rest.empty() && !(rest = ZeroSegment(blocks * 16384, kSegment)).empty()) restZeros = blocks * 16384;
  }
  ASSERT_FALSE(first.empty() || rest.empty());
  std::string package = "\x78\xDA" + first;
  uint64_t produced = firstZeros;
  while (produced < (uint64_t{1} << 32) + (1 << 20)) {
    package += rest;
    produced += restZeros;
  }
  const uint32_t adler = (static_cast<uint32_t>(produced % 65521) << 16) | 1;  // of zeros only
  package += std::string("\x01\0\0\xFF\xFF", 5);
  for (int shift = 24; shift >= 0; shift -= 8) package += static_cast<char>((adler >> shift) & 0xFF);

  ScratchDir dir;
  ByteFile source(dir, package);
  FILE* nowhere = talv_test::OpenHostFile("NUL", "wb");
  ASSERT_NE(nowhere, nullptr);
  CountingProgress progress;
  const int result = InflatePackage(source.get(), nowhere, &progress);
  fclose(nowhere);
  ASSERT_EQ(result, 0);
  EXPECT_EQ(progress.total, package.size());
  EXPECT_EQ(progress.firstBytes.size(), 1u) << "the archive began more than once";
}

struct PaceStep {
  talv::PreparationPhase phase;
  uint32_t phaseStartMs;
  uint64_t phaseBytes;  // read in the phase so far
};

struct PaceCase {
  const char* label;
  uint64_t packageBytes;
  PaceStep step;
  uint32_t elapsedMs;
  bool show;
};

TEST(PreparationProgressTest, ShownOnlyForAPreparationThatTakesLong) {
  using talv::PreparationPhase;
  constexpr uint64_t kPackage = 100 << 20;
  const PaceCase cases[] = {
      {"nothing to tell yet, under the threshold", kPackage, {PreparationPhase::Copy, 0, 0}, 299, false},
      {"the threshold reached", kPackage, {PreparationPhase::Copy, 0, 0}, 300, true},
      {"copy: a tenth read in 100 ms", kPackage, {PreparationPhase::Copy, 0, kPackage / 10}, 100, true},
      {"copy: half read in 60 ms", kPackage, {PreparationPhase::Copy, 0, kPackage / 2}, 60, false},
      {"copy: a tenth read, too soon to trust", kPackage, {PreparationPhase::Copy, 0, kPackage / 10}, 59, false},
      {"inflate: a twentieth read in 80 ms", kPackage, {PreparationPhase::Inflate, 40, kPackage / 20}, 120, true},
      {"inflate: half read in 60 ms", kPackage, {PreparationPhase::Inflate, 40, kPackage / 2}, 100, false},
      {"inflate: a third read, foreseen under three times the threshold",
       kPackage,
       {PreparationPhase::Inflate, 100, kPackage / 3},
       200,
       false},
      {"an empty package waits for the threshold", 0, {PreparationPhase::Inflate, 0, 0}, 200, false},
  };
  for (const PaceCase& c : cases) {
    SCOPED_TRACE(c.label);
    talv::PreparationPace pace(c.packageBytes);
    pace.BeginPhase(c.step.phase, c.step.phaseStartMs);
    pace.Read(c.step.phaseBytes);
    EXPECT_EQ(pace.ShouldShow(c.elapsedMs), c.show) << "foreseen " << pace.ForeseenMs(c.elapsedMs) << " ms";
  }
}

}  // namespace
