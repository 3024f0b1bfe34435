// Preparing the package: every block read is counted, the first bytes produced are seen once, and the pace
// decides when the user is shown that preparation takes a while (never for one that ends in time).
#include <gtest/gtest.h>

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
