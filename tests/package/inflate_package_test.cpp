// InflatePackage: the codes it returns and the bytes it leaves in the archive.
#include <gtest/gtest.h>

#include <cstdint>

#include "inflate_package.h"
#include "package_facts.h"
#include "test_support.h"

namespace {

using namespace package_test;

struct InflateCase {
  const char* what;
  std::string package;
  int expectedCode;
  std::string expectedArchive;  // whole archive when the code is 0, else the bytes it must start with
};

std::vector<InflateCase> InflateCases() {
  const std::string text = "Talvenia field application " + std::string(5000, 'x');
  const std::string noise = NoiseBytes(100000, 7);
  const std::string large = NoiseBytes(300000, 8) + std::string(700000, 'z');
  const std::string compressedNoise = Compress(noise);
  std::string damaged = Compress(text);
  damaged[damaged.size() / 2] ^= 0x55;
  std::string badChecksum = Compress(text);
  badChecksum.back() ^= 1;
  return {
      {"small stream", Compress(text), 0, text},
      {"one byte", Compress("a"), 0, "a"},
      {"nothing inside", Compress(""), 0, ""},
      {"exactly one output buffer", Compress(std::string(16384, 'q')), 0, std::string(16384, 'q')},
      {"two output buffers", Compress(std::string(32768, 'r')), 0, std::string(32768, 'r')},
      {"one past a buffer", Compress(std::string(16385, 's')), 0, std::string(16385, 's')},
      {"many input buffers", compressedNoise, 0, noise},
      {"over a megabyte", Compress(large, 1), 0, large},
      {"stored blocks", Compress(noise, 0), 0, noise},
      {"trailing bytes ignored", Compress(text) + "TRAILING JUNK", 0, text},
      {"trailing second stream ignored", Compress(text) + Compress("more"), 0, text},
      {"empty file", "", -3, ""},
      {"cut after the header", Compress(text).substr(0, 2), -3, ""},
      {"cut short", compressedNoise.substr(0, compressedNoise.size() - 1000), -3, noise.substr(0, 16384)},
      {"cut before the checksum", Compress(text).substr(0, Compress(text).size() - 4), -3, text},
      {"preset dictionary", Compress(text, 9, "Talvenia field"), -3, ""},
      {"damaged data", damaged, -3, ""},
      {"wrong checksum", badChecksum, -3, ""},
      {"not zlib at all", "PK\x03\x04 this is a zip header", -3, ""},
  };
}

TEST(InflatePackageTest, CodesAndOutput) {
  ScratchDir dir;
  for (const InflateCase& c : InflateCases()) {
    ByteFile source(dir, c.package);
    ByteFile archive(dir, "", "w+b");
    const int code = InflatePackage(source.get(), archive.get());
    EXPECT_EQ(code, c.expectedCode) << c.what;
    uint64_t size = 0;
    ASSERT_TRUE(talv::StreamSize(archive.get(), &size)) << c.what;
    rewind(archive.get());
    std::string written(static_cast<size_t>(size), '\0');
    if (size > 0) {
      ASSERT_EQ(fread(&written[0], 1, written.size(), archive.get()), written.size()) << c.what;
    }
    if (c.expectedCode == 0) {
      EXPECT_TRUE(written == c.expectedArchive)
          << c.what << ": " << written.size() << " bytes written, " << c.expectedArchive.size() << " expected";
    } else {
      EXPECT_EQ(written.compare(0, c.expectedArchive.size(), c.expectedArchive), 0)
          << c.what << ": " << written.size() << " bytes written";
    }
  }
}

TEST(InflatePackageTest, EmptyPackageLeavesEmptyArchive) {
  ScratchDir dir;
  ByteFile source(dir, "");
  ByteFile archive(dir, "", "w+b");
  EXPECT_EQ(InflatePackage(source.get(), archive.get()), -3);
  uint64_t size = 1;
  ASSERT_TRUE(talv::StreamSize(archive.get(), &size));
  EXPECT_EQ(size, 0u);
}

TEST(InflatePackageTest, FileStreamFailuresGiveMinusOne) {
  ScratchDir dir;
  const std::string package = Compress(std::string(100000, 'w'));
  {
    ByteFile source(dir, package);
    ByteFile readOnlyDestination(dir, "", "rb");  // every write fails
    EXPECT_EQ(InflatePackage(source.get(), readOnlyDestination.get()), -1) << "write error";
  }
#ifndef _WIN32  // the Windows runtime reports a read from a write-only stream as end of file
  {
    ByteFile writeOnlySource(dir, package, "ab");  // every read fails
    ByteFile archive(dir, "", "w+b");
    EXPECT_EQ(InflatePackage(writeOnlySource.get(), archive.get()), -1) << "read error";
  }
#endif
}

// What the package tool learns beside the code: the kind of failure, where in the compressed bytes it lies, and
// what follows a complete stream (counted only when asked, as the installer never reads it).
TEST(InflateStreamTest, FindingsBesideTheCode) {
  using talv::InflateFailure;
  const std::string text = "Talvenia field application " + std::string(5000, 'x');
  const std::string whole = Compress(text);
  const std::string noise = Compress(NoiseBytes(100000, 9));
  std::string damaged = whole;
  damaged[whole.size() / 2] ^= 0x55;
  const struct {
    const char* what;
    std::string package;
    bool count;
    int code;
    InflateFailure failure;
    uint64_t offset;  // UINT64_MAX: somewhere inside the stream, before its end
    uint64_t after;
  } cases[] = {
      {"sound", whole, true, 0, InflateFailure::kNone, whole.size(), 0},
      {"trailing bytes counted", whole + "TRAILING JUNK", true, 0, InflateFailure::kNone, whole.size(), 13},
      {"trailing bytes not asked for", whole + "TRAILING JUNK", false, 0, InflateFailure::kNone, whole.size(), 0},
      {"trailing beyond a buffer", noise + std::string(40000, 't'), true, 0, InflateFailure::kNone, noise.size(),
       40000},
      {"empty", "", true, -3, InflateFailure::kCutShort, 0, 0},
      {"cut short", noise.substr(0, 30000), true, -3, InflateFailure::kCutShort, 30000, 0},
      {"dictionary", Compress(text, 9, "Talvenia"), true, -3, InflateFailure::kDictionary, 6, 0},
      {"damaged", damaged, true, -3, InflateFailure::kDamaged, UINT64_MAX, 0},
      {"not zlib", "PK\x03\x04 zip", true, -3, InflateFailure::kDamaged, UINT64_MAX, 0},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    ByteFile source(dir, c.package);
    ByteFile archive(dir, "", "w+b");
    const talv::InflateResult result = talv::InflateStream(source.get(), archive.get(), c.count);
    EXPECT_EQ(result.code, c.code) << c.what;
    EXPECT_EQ(result.failure, c.failure) << c.what;
    if (c.offset == UINT64_MAX) {
      EXPECT_LT(result.offset, c.package.size()) << c.what;
      EXPECT_FALSE(result.zlibMessage.empty()) << c.what;
    } else {
      EXPECT_EQ(result.offset, c.offset) << c.what;
    }
    EXPECT_EQ(result.bytesAfterStream, c.after) << c.what;
    ByteFile again(dir, c.package);
    ByteFile secondArchive(dir, "", "w+b");
    EXPECT_EQ(InflatePackage(again.get(), secondArchive.get()), c.code) << c.what << ": the installer's code";
  }
}

}  // namespace
