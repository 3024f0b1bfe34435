// Whole installations with the real program: welcome to "Fine", for both products, as launcher and as
// free-standing installations. Afterwards the handheld must hold exactly what it held before plus the
// product's files (and the launcher entry), and processes.log the survey run and the final step.
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>
#include "InstallerProcess.h"
#include "TestEnvironment.h"
#include "WizardMessages.h"
#include "agent_expectations.h"
#include "ce_runs.h"
#include "resource.h"

using namespace ui_test;

namespace {

// Device path -> content; folders map to "<folder>".
using DeviceTree = std::map<std::string, std::string>;
constexpr const char kFolder[] = "<folder>";

void ReadTree(const std::wstring& hostFolder, const std::string& devicePath, DeviceTree* tree) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((hostFolder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string path = devicePath + "\\" + std::string(name.begin(), name.end());
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      (*tree)[path] = kFolder;
      ReadTree(hostFolder + L"\\" + name, path, tree);
    } else {
      ReadWholeFile(hostFolder + L"\\" + name, &(*tree)[path]);
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

DeviceTree TreeOf(const std::wstring& deviceFolder) {
  DeviceTree tree;
  ReadTree(deviceFolder + L"\\root", "", &tree);
  return tree;
}

std::string Differences(const DeviceTree& expected, const DeviceTree& actual) {
  std::string text;
  for (const auto& [path, content] : expected) {
    auto found = actual.find(path);
    if (found == actual.end())
      text += "\n  missing " + path;
    else if (found->second != content)
      text += "\n  differs " + path + ": " + agent_test::Hex(found->second);
  }
  for (const auto& [path, content] : actual)
    if (expected.count(path) == 0) text += "\n  unexpected " + path;
  return text;
}

std::wstring InstallerPath() {
  std::string unixPath = TALV_INSTALLER_EXE;
  std::wstring path = L"Z:";
  for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

std::string AllByteValues(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

struct EndToEndCase {
  const char* package;
  unsigned char productFlag;
  unsigned char launcherFlag;
  const char* installFolder;
  const char* notice;         // free-standing: the worker's message before it starts the program
  const char* launcherEntry;  // launcher: the entry file the agent writes
  const std::string* launcherText;
};

class EndToEndTest : public ::testing::TestWithParam<EndToEndCase> {};

TEST_P(EndToEndTest, InstallsOntoTheHandheldAndRunsTheFinalStep) {
  const EndToEndCase& c = GetParam();
  ScratchFolder scratch(L"talv-e2e");
  const std::wstring app = scratch.Path() + L"\\app", temp = scratch.Path() + L"\\temp\\",
                     deviceFolder = scratch.Path() + L"\\device";
  ASSERT_TRUE(::CreateDirectoryW(app.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr));
  const std::wstring program = app + L"\\TalveniaInstaller.exe";
  ASSERT_TRUE(::CopyFileW(InstallerPath().c_str(), program.c_str(), FALSE)) << "no installer at " << TALV_INSTALLER_EXE;

  const std::string exe = c.productFlag ? "Talvenia.exe" : "Fendro.exe";
  const std::vector<PackageEntry> entries = {
      {exe, "[PRG]", AllByteValues(3000)},
      {"rome.map", "[PRG]Maps\\Italy\\", AllByteValues(70000)},
      {"empty.dat", "[PRG]", ""},
      {"guide.htm", "[HLP]", "<html>guida</html>"},
      {"codec.dll", "[WIN]", AllByteValues(5000)},
      {"note.txt", "[DOC]", "note"},
  };
  const std::wstring packageName(c.package, c.package + strlen(c.package));
  ASSERT_TRUE(WritePackage(app + L"\\" + packageName, ArchiveBytes(c.productFlag, c.launcherFlag, entries)));
  ASSERT_TRUE(WriteDevice(deviceFolder, DeviceDescription()));
  DeviceTree expected = TreeOf(deviceFolder);

  e2e_test::InstallerProcess installer;
  ASSERT_TRUE(installer.Start(program, temp, deviceFolder));
  ASSERT_TRUE(installer.WalkToReadyPage()) << "stuck at step " << installer.Step();
  EXPECT_EQ(TextOf(installer.PageControl(IDC_DESTINATION_FOLDER)) + "\\", c.installFolder);
  ASSERT_TRUE(Click(installer.FrameControl(IDC_NEXT)));  // "Installa"
  if (c.notice != nullptr) {
    auto box = installer.WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, c.notice);
    ASSERT_TRUE(Answer(*box, IDOK));
  }
  ASSERT_TRUE(installer.WaitForStep(kPageEndInstall));
  if (c.launcherEntry != nullptr) {
    // The agent writes the entry on the handheld on its own time; "Fine" deletes it from there afterwards.
    ASSERT_TRUE(WaitUntil([&] { return FileExists(DeviceHostPath(deviceFolder, c.launcherEntry)); }, 30000));
  }
  // The agent's runs are over when the emulated handheld's record of runs says so.
  ASSERT_TRUE(WaitUntil([&] { return !emu::CeRunsInProgress(deviceFolder); }, 30000));
  ASSERT_TRUE(Click(installer.FrameControl(IDC_NEXT)));  // "Fine"
  ASSERT_TRUE(installer.WaitForExit(30000));
  WIN32_FIND_DATAW run;
  const HANDLE left = ::FindFirstFileW((deviceFolder + L"\\runs\\*.r*").c_str(), &run);
  EXPECT_EQ(left, INVALID_HANDLE_VALUE) << "the handheld's record keeps a run that is over";
  if (left != INVALID_HANDLE_VALUE) ::FindClose(left);

  // Everything the handheld held before, plus the product's folders and files and the launcher entry.
  const std::string folder = c.installFolder;
  for (size_t at = folder.find('\\', 1); at != std::string::npos; at = folder.find('\\', at + 1))
    expected[folder.substr(0, at)] = kFolder;
  expected[folder + "Maps"] = kFolder;
  expected[folder + "Maps\\Italy"] = kFolder;
  expected[folder + exe] = entries[0].data;
  expected[folder + "Maps\\Italy\\rome.map"] = entries[1].data;
  expected[folder + "empty.dat"] = "";
  expected["\\Windows\\Help\\guide.htm"] = entries[3].data;
  expected["\\Windows\\codec.dll"] = entries[4].data;
  expected["\\Documenti\\note.txt"] = entries[5].data;
  if (c.launcherEntry != nullptr) expected[c.launcherEntry] = *c.launcherText;
  EXPECT_EQ(Differences(expected, TreeOf(deviceFolder)), "");

  std::string processes;
  ASSERT_TRUE(ReadWholeFile(deviceFolder + L"\\processes.log", &processes));
  const std::string finalStep =
      c.launcherFlag ? std::string("\\Windows\\TalveniaGDFS.exe\t") + (c.productFlag ? "-talvspec" : "-fenspec")
                     : folder + exe + "\t";
  EXPECT_EQ(processes, "\\Windows\\TalveniaGDFS.exe\t\r\n" + finalStep + "\r\n");
  EXPECT_FALSE(FileExists(temp + L"TFInst.zip"));
  EXPECT_FALSE(FileExists(temp + L"TFInst.pkg"));
}

INSTANTIATE_TEST_SUITE_P(
    Packages, EndToEndTest,
    ::testing::Values(EndToEndCase{"Talvenia2016_full.pkg", 1, 1, "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016\\",
                                   nullptr, "\\ROMDisk2\\INI\\Talvenia2016.ini", &agent_test::kTalveniaIni},
                      EndToEndCase{"Fendro_v2_2017a.pkg", 0, 1, "\\ROMDisk\\PROGRAM\\Fendro\\Fendro_v2_2017\\", nullptr,
                                   "\\ROMDisk2\\INI\\OstrelField.ini", &agent_test::kFendroIni},
                      EndToEndCase{"Talvenia2016_full.pkg", 1, 0, "\\Programmi\\Talvenia2016_full\\",
                                   "Avvio di Talvenia da palmare", nullptr, nullptr},
                      EndToEndCase{"Fendro_base.pkg", 0, 0, "\\Programmi\\Fendro_base\\", "Avvio di Fendro da palmare",
                                   nullptr, nullptr}),
    [](const ::testing::TestParamInfo<EndToEndCase>& info) {
      return std::string(info.param.productFlag ? "Talvenia" : "Fendro") +
             (info.param.launcherFlag ? "Launcher" : "FreeStanding");
    });

}  // namespace
