// Copying a host stream into a new device file: chunking, where the stream is left, replacement of an existing
// file, and every way the copy can fail, observed on the emulated handheld and in its trace of calls.
#include <gtest/gtest.h>
#include "DeviceLinkFixture.h"
#include "rapi.h"

namespace device_link_test {
namespace {

constexpr char kTarget[] = "\\Programmi\\entry.bin";
const std::string kCreateTarget = "CeCreateFile \\Programmi\\entry.bin 0x40000000 0x2 2 0x80";

class CopyTest : public DeviceLinkTest {
 protected:
  void Connect() {
    DeviceLinkTest::Connect();
    ::CreateDirectoryW(ui_test::DeviceHostPath(deviceFolder, "\\Programmi").c_str(), nullptr);
  }
  // An older, longer file at the target: whatever the copy leaves must not keep any of it.
  void PlaceOldTarget() {
    ASSERT_TRUE(ui_test::WriteWholeFile(ui_test::DeviceHostPath(deviceFolder, kTarget), std::string(20000, 'x')));
  }
};

std::vector<std::string> Writes(const std::vector<unsigned>& sizes) {
  std::vector<std::string> lines;
  for (unsigned n : sizes) lines.push_back("CeWriteFile " + std::to_string(n));
  return lines;
}

struct CopyCase {
  const char* label;
  size_t sourceSize;
  long startAt;  // where the caller left the stream
  uint32_t byteCount;
  std::vector<unsigned> writes;
  size_t copied;  // bytes that reach the device, from startAt on
};

TEST_F(CopyTest, CopiesInChunksOfAtMost4096AndLeavesTheStreamRightBehind) {
  const CopyCase cases[] = {
      {"nothing asked", 100, 0, 0, {}, 0},
      {"three chunks", 10000, 0, 10000, {4096, 4096, 1808}, 10000},
      {"exactly one chunk", 4096, 0, 4096, {4096}, 4096},
      {"one byte past a chunk", 4097, 0, 4097, {4096, 1}, 4097},
      {"more data than asked: the next entry stays unread", 12000, 0, 10000, {4096, 4096, 1808}, 10000},
      {"source shorter than asked", 5000, 0, 10000, {4096, 904}, 5000},
      {"from the caller's position", 9000, 1000, 5000, {4096, 904}, 5000},
      {"empty source", 0, 0, 10000, {}, 0},
      {"largest count", 5000, 0, 0xFFFFFFFFu, {4096, 904}, 5000},
  };
  Connect();
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.label);
    PlaceOldTarget();
    const std::string bytes = Pattern(c.sourceSize);
    FILE* source = HostSource(bytes);
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(fseek(source, c.startAt, SEEK_SET), 0);

    EXPECT_TRUE(wizard->CopyFileToDevice(source, c.byteCount, kTarget));

    EXPECT_EQ(DeviceFile(kTarget), bytes.substr(c.startAt, c.copied)) << "device file of the wrong content";
    EXPECT_EQ(ftell(source), c.startAt + static_cast<long>(c.copied)) << "stream left at the wrong place";
    std::vector<std::string> expected = {kCreateTarget};
    for (const std::string& line : Writes(c.writes)) expected.push_back(line);
    expected.push_back("CeCloseHandle");
    const std::vector<std::string> trace = TakeTrace();
    EXPECT_EQ(trace, expected) << "calls seen: " << Join(trace);
  }
}

TEST_F(CopyTest, NullSourceCreatesAnEmptyFile) {
  Connect();
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "replacing a file" : "new file");
    if (existing) PlaceOldTarget();
    EXPECT_TRUE(wizard->CopyFileToDevice(nullptr, 10000, kTarget));
    EXPECT_EQ(DeviceFile(kTarget), "");
    const std::vector<std::string> trace = TakeTrace();
    EXPECT_EQ(trace, (std::vector<std::string>{kCreateTarget, "CeCloseHandle"})) << Join(trace);
  }
}

TEST_F(CopyTest, PathsUpTo259CharactersAreCopiedLongerOnesRefusedBeforeAnyCall) {
  Connect();
  const std::string longest = "\\Windows\\" + std::string(250, 'a');  // 259 characters
  ASSERT_EQ(longest.size(), 259u);
  FILE* source = HostSource("agent");
  EXPECT_TRUE(wizard->CopyFileToDevice(source, 5, longest.c_str()));
  EXPECT_EQ(DeviceFile(longest), "agent");
  TakeTrace();

  const std::string tooLong = longest + "b";
  source = HostSource("agent");
  uint32_t deviceError = 0;
  EXPECT_FALSE(wizard->CopyFileToDevice(source, 5, tooLong.c_str(), &deviceError));
  EXPECT_EQ(ftell(source), 0) << "the source was read for a path that cannot be created";
  EXPECT_EQ(deviceError, static_cast<uint32_t>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_TRUE(TakeTrace().empty()) << "a path beyond the limit reached the handheld";
}

struct FailureCase {
  const char* label;
  const char* path;
  size_t sourceSize;
  std::string failAfterBytes;
  unsigned writeLimit;
  uint64_t volumeSize;           // of "Storage Card"
  std::vector<unsigned> writes;  // the calls made before giving up
  size_t leftOnDevice;           // bytes of the partial file; npos: no file
  long sourceRead;
  uint32_t error;
};

TEST_F(CopyTest, FailuresAreReportedAndLeaveWhatWasWritten) {
  const size_t none = std::string::npos;
  const FailureCase cases[] = {
      {"missing folder", "\\Nowhere\\a.bin", 10000, "", 0, 1ull << 30, {}, none, 0, ERROR_PATH_NOT_FOUND},
      {"link drops mid-copy",
       kTarget,
       10000,
       "5000",
       0,
       1ull << 30,
       {4096, 4096},
       5000,
       8192,
       ERROR_DEVICE_NOT_CONNECTED},
      {"handheld takes only part of a block",
       kTarget,
       10000,
       "",
       1000,
       1ull << 30,
       {4096},
       1000,
       4096,
       ERROR_WRITE_FAULT},
      {"volume full", "\\Storage Card\\a.bin", 10000, "", 0, 6000, {4096, 4096}, 4096, 8192, ERROR_DISK_FULL},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.label);
    device.failAfterBytes = c.failAfterBytes;
    extras.writeLimit = c.writeLimit;
    device.volumes = {{"Storage Card", c.volumeSize, false}};
    Connect();
    const std::string bytes = Pattern(c.sourceSize);
    FILE* source = HostSource(bytes);

    uint32_t deviceError = 0;
    EXPECT_FALSE(wizard->CopyFileToDevice(source, static_cast<uint32_t>(c.sourceSize), c.path, &deviceError));

    EXPECT_EQ(deviceError, c.error);
    EXPECT_EQ(ftell(source), c.sourceRead);
    if (c.leftOnDevice == none) {
      EXPECT_FALSE(DeviceFileExists(c.path));
    } else {
      EXPECT_EQ(DeviceFile(c.path), bytes.substr(0, c.leftOnDevice)) << "partial file";
    }
    std::vector<std::string> trace = TakeTrace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front().rfind("CeCreateFile " + std::string(c.path) + " ", 0), 0u) << trace.front();
    trace.erase(trace.begin());
    std::vector<std::string> expected = Writes(c.writes);
    if (c.leftOnDevice != none) expected.push_back("CeCloseHandle");  // the handle is never left open
    EXPECT_EQ(trace, expected) << "calls after the open: " << Join(trace);
  }
}

TEST_F(CopyTest, ReadOnlyVolumeAndMissingLinkFailWithoutReadingTheSource) {
  device.volumes = {{"ROMDisk", 64ull << 20, true}};
  Connect();
  FILE* source = HostSource("abc");
  uint32_t deviceError = 0;
  EXPECT_FALSE(wizard->CopyFileToDevice(source, 3, "\\ROMDisk\\a.bin", &deviceError));
  EXPECT_EQ(deviceError, static_cast<uint32_t>(ERROR_WRITE_PROTECT));
  EXPECT_EQ(ftell(source), 0);

  CeRapiUninit();
  EXPECT_FALSE(wizard->CopyFileToDevice(source, 3, kTarget, &deviceError));
  EXPECT_EQ(deviceError, static_cast<uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(ftell(source), 0);
  EXPECT_FALSE(DeviceFileExists(kTarget));
}

}  // namespace
}  // namespace device_link_test
