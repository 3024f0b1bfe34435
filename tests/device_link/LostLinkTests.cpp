// A link lost in the middle of a device operation is reported as lost, whatever the handheld's last error still
// says: 0 on a link just started, or "already exists" from a folder found on the way.
#include <functional>

#include <gtest/gtest.h>

#include "DeviceLinkFixture.h"
#include "device_operations.h"
#include "rapi.h"

namespace device_link_test {
namespace {

constexpr char kFolder[] = "\\Programmi\\Talvenia";

class LostLinkTest : public DeviceLinkTest {};

// The copy's result and the error it reports, as "result error".
std::string CopyOutcome(CDlgWizardInstaller& wizard) {
  uint32_t error = 0;
  const bool copied = wizard.CopyFileToDevice(nullptr, 0, "\\Programmi\\Talvenia\\a.bin", &error);
  return std::to_string(copied) + " " + std::to_string(error);
}

TEST_F(LostLinkTest, NoStaleLastErrorSpeaksForALostLink) {
  const struct {
    const char* label;
    const char* lostAt;
    bool lastErrorZero;
    std::function<std::string(CDlgWizardInstaller&)> operation;
    std::string expected;
  } rows[] = {
      {"a copy, last error 0", "\\Programmi\\Talvenia\\a.bin", true, CopyOutcome, "0 1167"},
      {"a copy, last error 183", "\\Programmi\\Talvenia\\a.bin", false, CopyOutcome, "0 1167"},
      {"one folder level, last error 183", "\\Programmi\\Talvenia\\Maps", false,
       [](CDlgWizardInstaller&) { return std::to_string(talv::CreateDeviceFolder("\\Programmi\\Talvenia\\Maps")); },
       "0"},
      {"every level, last error 183", "\\Programmi\\Talvenia\\Maps", false,
       [](CDlgWizardInstaller&) {
         const talv::CreateFolderResult result = talv::CreateDeviceFolderLevels("\\Programmi\\Talvenia\\Maps");
         return std::string(result == talv::CreateFolderResult::Failed ? "failed" : "taken for created or existing");
       },
       "failed"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    device.dropAtPath = row.lostAt;
    device.dropClearsError = row.lastErrorZero;
    Connect();
    ASSERT_TRUE(talv::CreateDeviceFolder(kFolder));
    ASSERT_TRUE(talv::CreateDeviceFolder(kFolder)) << "the second time it is found: the last error is 183";
    EXPECT_EQ(row.operation(*wizard), row.expected);
    EXPECT_FALSE(DeviceFileExists(row.lostAt)) << "reached the handheld over a lost link";
    EXPECT_EQ(talv::FailedCallError(), talv::kLinkLostError) << "the link stays lost";
  }
}

}  // namespace
}  // namespace device_link_test
