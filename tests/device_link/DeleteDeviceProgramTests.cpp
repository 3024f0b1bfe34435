// Deleting a program file that is still in use on the handheld: a program that has just written its report may
// hold its file a moment longer, and the delete must outlast that moment without waiting on a file that stays
// in use. The host folder of the emulated handheld stands in for the running program: a host handle opened
// without delete sharing keeps the device file from being deleted, as a running image does.
#include <gtest/gtest.h>

#include <thread>

#include "DeviceLinkFixture.h"
#include "device_operations.h"
#include "unique_handle.h"

namespace device_link_test {
namespace {

constexpr char kProgram[] = "\\Windows\\program.exe";

struct DeleteCase {
  const char* label;
  bool placed;
  int holdMs;  // how long the file stays in use; -1: throughout
  DWORD waitMs;
  bool deleted;
};

TEST_F(DeviceLinkTest, AProgramFileInUseIsDeletedOnceFreedButNotWaitedOnForever) {
  const DeleteCase cases[] = {
      {"in use for a moment", true, 300, 3000, true},
      {"in use past the wait", true, -1, 200, false},
      {"never there", false, 0, 3000, true},
  };
  Connect();
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::wstring host = ui_test::DeviceHostPath(deviceFolder, kProgram);
    if (c.placed) ASSERT_TRUE(ui_test::WriteWholeFile(host, "program image"));
    base::UniqueKernelHandle inUse;
    if (c.placed) {
      inUse.Reset(::CreateFileW(host.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(inUse.IsValid());
    }
    std::thread release;
    if (c.holdMs >= 0)
      release = std::thread([&] {
        ::Sleep(c.holdMs);
        inUse.Reset();
      });
    EXPECT_EQ(talv::DeleteDeviceProgram(kProgram, c.waitMs), c.deleted);
    if (release.joinable()) release.join();
    EXPECT_EQ(DeviceFileExists(kProgram), !c.deleted);
    inUse.Reset();
    ::DeleteFileW(host.c_str());
  }
}

}  // namespace
}  // namespace device_link_test
