// One table of what the device agent does, run twice with the same expected bytes: on the portable core
// against the in-memory handheld, and as the real ARM Windows CE program on the ARM runner over a scratch
// device folder. A difference between the two is a fault of the ARM build, of its runtime, or of the runner.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "agent_expectations.h"
#include "ce_runner.h"
#include "device_agent.h"
#include "fake_handheld.h"
#include "scratch_folder.h"

namespace {

using agent_test::Hex;
using agent_test::ReportRecord;

constexpr char kMissing[] = "<missing>";
constexpr char kReport[] = "\\MSize.DFS";
constexpr char kTalveniaIni[] = "\\ROMDisk2\\INI\\Talvenia2016.ini";
constexpr char kFendroIni[] = "\\ROMDisk2\\INI\\OstrelField.ini";

struct VolumeSpec {
  std::string name;  // ASCII
  std::uint64_t freeBytes;
};

using DeviceFiles = std::vector<std::pair<std::string, std::string>>;  // device path, bytes

struct AgentCase {
  const char* what;
  std::u16string commandLine;
  std::vector<VolumeSpec> volumes;  // in the handheld's order, which is not alphabetical
  bool launcherFolder;              // \ROMDisk2\INI exists
  DeviceFiles before;               // files in place before the run
  DeviceFiles after;                // expected afterwards; kMissing: no such file
};

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

const std::string kOldEntry = "[Launcher]\r\nview_name=old\r\nexe_path=old entry, longer than the new one\r\n";

const AgentCase kCases[] = {
    {"report: one record per volume, in the handheld's order",
     u"",
     {{"Storage Card", 1048576000}, {"ROMDisk", 13107200}, {"Backup", 3407872}},
     true,
     {},
     {{kReport, ReportRecord("Storage Card", 1000.0) + ReportRecord("ROMDisk", 12.5) + ReportRecord("Backup", 3.25)},
      {kTalveniaIni, kMissing}}},
    {"report: free space beyond 4 GiB",
     u"",
     {{"Storage Card", 5369757696ull}},
     true,
     {},
     {{kReport, ReportRecord("Storage Card", 5121.0)}}},
    {"report: no volume gives an empty file", u"", {}, true, {}, {{kReport, ""}}},
    {"report: replaces an older one",
     u"",
     {{"ROMDisk", 3145728}},
     true,
     {{kReport, std::string(2000, 'x')}},
     {{kReport, ReportRecord("ROMDisk", 3.0)}}},
    {"-talvspec: launcher entry, report untouched",
     u"-talvspec",
     {{"ROMDisk", 1048576}},
     true,
     {{kReport, "report in place"}, {kTalveniaIni, kOldEntry}},
     {{kTalveniaIni, agent_test::kTalveniaIni}, {kFendroIni, kMissing}, {kReport, "report in place"}}},
    {"-fenspec: launcher entry, report untouched",
     u"-fenspec",
     {{"ROMDisk", 1048576}},
     true,
     {{kReport, "report in place"}, {kFendroIni, kOldEntry}},
     {{kFendroIni, agent_test::kFendroIni}, {kTalveniaIni, kMissing}, {kReport, "report in place"}}},
    {"upper-case switch is any other text",
     u"-TALVSPEC",
     {{"ROMDisk", 13107200}},
     true,
     {},
     {{kReport, ReportRecord("ROMDisk", 12.5)}, {kTalveniaIni, kMissing}}},
    {"switch with a trailing blank is any other text",
     u"-talvspec ",
     {{"ROMDisk", 13107200}},
     true,
     {},
     {{kReport, ReportRecord("ROMDisk", 12.5)}, {kTalveniaIni, kMissing}}},
    {"slash instead of hyphen is any other text",
     u"/talvspec",
     {{"ROMDisk", 13107200}},
     true,
     {},
     {{kReport, ReportRecord("ROMDisk", 12.5)}, {kTalveniaIni, kMissing}}},
    {"-talvspec without \\ROMDisk2\\INI writes nothing",
     u"-talvspec",
     {{"ROMDisk", 13107200}},
     false,
     {},
     {{kTalveniaIni, kMissing}, {kReport, kMissing}}},
    {"-fenspec without \\ROMDisk2\\INI writes nothing",
     u"-fenspec",
     {{"ROMDisk", 13107200}},
     false,
     {},
     {{kFendroIni, kMissing}, {kReport, kMissing}}},
};

// A handheld prepared for one case, the agent run on it, and its files read back.
class AgentHost {
 public:
  virtual ~AgentHost() = default;
  // The exit code, or a failure naming why the run did not end normally.
  virtual ::testing::AssertionResult Run(const AgentCase& c, std::uint32_t* exitCode) = 0;
  virtual std::string File(const std::string& devicePath) = 0;
};

class CoreHost : public AgentHost {
 public:
  ::testing::AssertionResult Run(const AgentCase& c, std::uint32_t* exitCode) override {
    handheld_.root.push_back({agent::kAttributeDirectory, u"Windows", {}});
    for (const VolumeSpec& volume : c.volumes)
      handheld_.root.push_back(agent_test::Volume(U16(volume.name), volume.freeBytes));
    handheld_.root.push_back({0x20, u"readme.txt", {}});
    if (c.launcherFolder) handheld_.folders.insert({u"\\ROMDisk2", u"\\ROMDisk2\\INI"});
    for (const auto& file : c.before) handheld_.files[U16(file.first)] = file.second;
    *exitCode = static_cast<std::uint32_t>(agent::RunDeviceAgent(handheld_, c.commandLine.c_str()));
    if (handheld_.openStreams != 0 || handheld_.openSearches != 0)
      return ::testing::AssertionFailure() << "a stream or search was left open";
    return ::testing::AssertionSuccess();
  }
  std::string File(const std::string& devicePath) override {
    const auto found = handheld_.files.find(U16(devicePath));
    return found == handheld_.files.end() ? kMissing : found->second;
  }

 private:
  agent_test::FakeHandheld handheld_;
};

class ArmHost : public AgentHost {
 public:
  explicit ArmHost(emu::ArmCpu cpu) : cpu_(cpu) {}
  ::testing::AssertionResult Run(const AgentCase& c, std::uint32_t* exitCode) override {
    std::string ini = "[device]\r\nstore_size=33554432\r\n";
    for (const VolumeSpec& volume : c.volumes)
      ini += "[volume:" + volume.name + "]\r\nsize=" + std::to_string(volume.freeBytes) + "\r\n";
    device_.WriteIni(ini);
    device_.MakeFolder("\\Windows");
    device_.WriteFile("\\readme.txt", "abc");
    if (c.launcherFolder) device_.MakeFolder("\\ROMDisk2\\INI");
    for (const auto& file : c.before) device_.WriteFile(file.first, file.second);
    const ce::RunOutcome outcome =
        ce::RunCeProgram(device_.path(), TALV_AGENT_WINCE_EXE, c.commandLine, ce::RunLimits(), cpu_);
    if (outcome.faulted) return ::testing::AssertionFailure() << "the ARM agent faulted: " << outcome.message;
    *exitCode = outcome.exitCode;
    return ::testing::AssertionSuccess();
  }
  std::string File(const std::string& devicePath) override { return device_.ReadFile(devicePath); }

 private:
  emu::ArmCpu cpu_;
  ce_test::ScratchFolder device_;
};

class AgentBehaviour : public ::testing::TestWithParam<std::string> {
 protected:
  std::unique_ptr<AgentHost> NewHost() const {
    if (GetParam() == "core") return std::make_unique<CoreHost>();
    return std::make_unique<ArmHost>(GetParam() == "armv5te" ? emu::ArmCpu::V5TE : emu::ArmCpu::V4T);
  }
};

TEST_P(AgentBehaviour, WritesTheExpectedFilesAndEndsWithZero) {
  for (const AgentCase& c : kCases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<AgentHost> host = NewHost();
    std::uint32_t exitCode = 99;
    ASSERT_TRUE(host->Run(c, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    for (const auto& expected : c.after) {
      const std::string actual = host->File(expected.first);
      EXPECT_EQ(actual, expected.second) << expected.first << " holds " << Hex(actual, 600);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(CoreAndArm, AgentBehaviour, ::testing::Values("core", "armv4t", "armv5te"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// The real agent's file with one field changed, as a damaged download or a build for the wrong target would
// change it: the runner refuses it before running anything, naming the field.
TEST(RealAgentImage, PatchedCopiesAreRefused) {
  std::ifstream in(TALV_AGENT_WINCE_EXE, std::ios::binary);
  const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(image.size(), 0x200u);
  const std::size_t pe = static_cast<unsigned char>(image[0x3C]) | static_cast<unsigned char>(image[0x3D]) << 8;
  const std::size_t importName = image.find(std::string("fputws\0", 7));
  ASSERT_NE(importName, std::string::npos);
  struct Case {
    std::size_t offset;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {pe + 4, std::string("\x4C\x01", 2), "machine x86 (0x014C) is not ARM"},
      {pe + 4, std::string("\xC4\x01", 2), "ARMNT/Thumb-2 (0x01C4)"},
      {pe + 24 + 48, std::string("\x06\x00\x00\x00", 4), "subsystem version 6.0"},
      {importName, "fputwz", "import fputwz from COREDLL.dll is not provided"},
  };
  ce_test::ScratchFolder device;
  device.WriteIni("[volume:ROMDisk]\r\nsize=1048576\r\n");
  for (const Case& c : cases) {
    std::string patched = image;
    patched.replace(c.offset, c.bytes.size(), c.bytes);
    const std::string path = device.path() + "/patched.exe";
    device.WriteHostFile(path, std::vector<uint8_t>(patched.begin(), patched.end()));
    const ce::RunOutcome outcome = ce::RunCeProgram(device.path(), path, u"");
    EXPECT_TRUE(outcome.faulted) << c.message;
    EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
    EXPECT_EQ(device.ReadFile(kReport), kMissing) << "a refused program runs nothing";
  }
}

}  // namespace
