// Required megabytes, the flag bytes, stream sizes and the default folder name.
#include <gtest/gtest.h>

#include "default_folder_name.h"
#include "package_facts.h"
#include "test_support.h"

namespace {

using namespace package_test;

TEST(RequiredMegabytesTest, Table) {
  const struct {
    uint64_t bytes;
    double megabytes;
  } cases[] = {
      {0, 0.5},
      {1048576, 1.5},
      {3000000, 3.36102294921875},
      {10485760, 10.5},
      {2147483648ull, 2048.5},  // 2 GiB: a signed 32-bit count would turn negative here
      {3221225472ull, 3072.5},
      {4294967296ull + 1048576, 4097.5},  // beyond 32 bits altogether
  };
  for (const auto& c : cases) EXPECT_EQ(talv::RequiredMegabytes(c.bytes), c.megabytes) << c.bytes << " bytes";
}

TEST(StreamSizeTest, CountsBeyondTwoGigabytes) {
  ScratchDir dir;
  const fs::path path = dir / "sparse";
  FILE* file = Open(path, "w+b");
  ASSERT_NE(file, nullptr);
  const uint64_t size = 3221225472ull + 5;  // 3 GiB and 5 bytes, written sparsely
#ifdef _WIN32
  ASSERT_EQ(_fseeki64(file, static_cast<int64_t>(size - 1), SEEK_SET), 0);
#else
  ASSERT_EQ(fseeko(file, static_cast<off_t>(size - 1), SEEK_SET), 0);
#endif
  fputc('!', file);
  fflush(file);
  rewind(file);
  uint64_t measured = 0;
  EXPECT_TRUE(talv::StreamSize(file, &measured));
  EXPECT_EQ(measured, size);
  EXPECT_EQ(talv::TellStream(file), static_cast<int64_t>(size));
  EXPECT_EQ(talv::RequiredMegabytes(measured), 3072.5 + 5 / 1048576.0);
  fclose(file);
}

TEST(ReadPackageFlagsTest, ShortFilesLeaveFieldsUnchanged) {
  ScratchDir dir;
  const struct {
    std::string archive;
    bool complete;
    unsigned char product, launcher;  // starting from product 1, launcher 0 (the defaults)
  } cases[] = {
      {"", false, 1, 0},
      {std::string(1, '\0'), false, 0, 0},
      {"\x07", false, 7, 0},
      {std::string("\0\x01", 2), true, 0, 1},
      {std::string("\x02\x03\0\0\0\0", 6), true, 2, 3},
  };
  for (const auto& c : cases) {
    ByteFile archive(dir, c.archive);
    unsigned char product = 1, launcher = 0;
    EXPECT_EQ(talv::ReadPackageFlags(archive.get(), &product, &launcher), c.complete) << c.archive.size();
    EXPECT_EQ(product, c.product) << c.archive.size() << " bytes";
    EXPECT_EQ(launcher, c.launcher) << c.archive.size() << " bytes";
  }
}

TEST(DefaultFolderNameTest, Table) {
  const struct {
    const char* package;  // nullptr: no package beside the executable
    bool productA, launcher;
    const char* expected;
  } cases[] = {
      {nullptr, true, false, "Talvenia"},
      {nullptr, true, true, "Talvenia"},
      {nullptr, false, false, "Fendro"},
      {nullptr, false, true, "Fendro"},
      {"Talvenia2016_full.pkg", true, false, "Talvenia2016_full"},
      {"Talvenia2016_full.pkg", true, true, "PROGRAM\\Talvenia\\Talvenia2016"},
      {"Fendro_v2_2017a.pkg", false, true, "PROGRAM\\Fendro\\Fendro_v2_2017"},
      {"Fendro_base.pkg", false, true, "PROGRAM\\Fendro\\Fendro"},
      {"Talvenia_1202_2016.pkg", true, true, "PROGRAM\\Talvenia\\Talvenia_1202_"},
      // The product word comes from the flag, not from the file name.
      {"Fendro_base.pkg", true, true, "PROGRAM\\Talvenia\\Talvenia"},
      {"Fendro_base.pkg", false, false, "Fendro_base"},
      // Fewer than two characters after "20": nothing is dropped.
      {"Talv20.pkg", true, true, "PROGRAM\\Talvenia\\Talv20"},
      {"Talv201.pkg", true, true, "PROGRAM\\Talvenia\\Talv201"},
      {"Talv2016.pkg", true, true, "PROGRAM\\Talvenia\\Talv2016"},
      {"2016.pkg", false, true, "PROGRAM\\Fendro\\2016"},
      {".pkg", true, false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(talv::DefaultFolderName(c.package, c.productA, c.launcher), c.expected)
        << (c.package ? c.package : "(none)") << " product A " << c.productA << " launcher " << c.launcher;
  }
}

}  // namespace
