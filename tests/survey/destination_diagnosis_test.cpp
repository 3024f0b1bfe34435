// The destination step's diagnosis and device paths, without a device: the write test is a stand-in.
#include "storage_survey_destination.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kReadingFailed = "Fallita la lettura dell'area selezionata\r\nImpossibile installarci Talvenia";
const std::string kNotPermanent = "-> Area di memoria selezionata non permanente\r\n";
const std::string kWriteFailed =
    "-> Fallito il test di scrittura sulla destinazione\r\n Area protetta da scrittura o permessi negati\r\n";
const std::string kNoRoom = "-> Memoria libera non sufficente per l'installazione\r\n";
const std::string kReady = "Destinazione selezionata pronta per l'installazione\r\n";

TEST(DiagnoseDestination, NotesFollowTheirOrderAndAWriteFailureSuppressesTheSpaceVerdict) {
  enum WriteTest { Passes, Fails, MustNotRun };
  const struct {
    const char* what;
    int32_t hundredths;
    bool mainStore;
    double required;
    WriteTest write;
    std::string freeText, requiredText, notes;
    bool ready;
  } cases[] = {
      {"volume with room", 1250, false, 10.0, Passes, "12.50 Mb liberi", "10.00 Mb neccessari", kReady, true},
      {"main store with room", 300, true, 1.5, Passes, "3.00 Mb liberi", "1.50 Mb neccessari", kNotPermanent + kReady,
       true},
      {"equal space", 1600, false, 16.0, Passes, "16.00 Mb liberi", "16.00 Mb neccessari", kNoRoom, false},
      {"one hundredth more", 1601, false, 16.0, Passes, "16.01 Mb liberi", "16.00 Mb neccessari", kReady, true},
      {"main store short of room", 300, true, 16.0, Passes, "3.00 Mb liberi", "16.00 Mb neccessari",
       kNotPermanent + kNoRoom, false},
      {"read-only volume", 100, false, 16.0, Fails, "1.00 Mb liberi", "16.00 Mb neccessari", kWriteFailed, false},
      {"read-only main store", 5000, true, 1.0, Fails, "50.00 Mb liberi", "1.00 Mb neccessari",
       kNotPermanent + kWriteFailed, false},
      {"nothing selected", -1, false, 16.0, MustNotRun, "---", "16.00 Mb neccessari", kReadingFailed, false},
      {"negative figure", -50, true, 16.0, MustNotRun, "---", "16.00 Mb neccessari", kReadingFailed, false},
      {"empty volume, nothing needed", 0, false, 0.0, Passes, "0.00 Mb liberi", "0.00 Mb neccessari", kNoRoom, false},
      {"largest figure", 2147483647, false, 16.0, Passes, "21474836.47 Mb liberi", "16.00 Mb neccessari", kReady, true},
      {"required size rounds in the text only", 1000, false, 9.999, Passes, "10.00 Mb liberi", "10.00 Mb neccessari",
       kReady, true},
  };
  for (const auto& c : cases) {
    int calls = 0;
    const auto diagnosis = talv::DiagnoseDestination(c.hundredths, c.mainStore, c.required, [&] {
      ++calls;
      return c.write == Passes;
    });
    EXPECT_EQ(diagnosis.freeText, c.freeText) << c.what;
    EXPECT_EQ(diagnosis.requiredText, c.requiredText) << c.what;
    EXPECT_EQ(diagnosis.notes, c.notes) << c.what;
    EXPECT_EQ(diagnosis.ready, c.ready) << c.what;
    EXPECT_EQ(calls, c.write == MustNotRun ? 0 : 1) << c.what << ": write test runs exactly once when it applies";
  }
}

TEST(DiagnoseDestination, WithoutAWriteTestNoAreaIsReady) {
  const auto diagnosis = talv::DiagnoseDestination(1250, false, 1.0, nullptr);
  EXPECT_FALSE(diagnosis.ready);
  EXPECT_EQ(diagnosis.notes, kWriteFailed);
}

TEST(AreaRootFolder, VolumesGetBackslashesTheMainStoreKeepsItsFolder) {
  EXPECT_EQ(talv::AreaRootFolder("ROMDisk", false), "\\ROMDisk\\");
  EXPECT_EQ(talv::AreaRootFolder("Storage Card", false), "\\Storage Card\\");
  EXPECT_EQ(talv::AreaRootFolder("\\Programmi\\", true), "\\Programmi\\");
}

TEST(FolderLevels, CreatesFromTheTopDown) {
  using Levels = std::vector<std::string>;
  const struct {
    std::string path;
    Levels levels;
  } cases[] = {
      {"\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016",
       {"\\ROMDisk", "\\ROMDisk\\PROGRAM", "\\ROMDisk\\PROGRAM\\Talvenia",
        "\\ROMDisk\\PROGRAM\\Talvenia\\Talvenia2016"}},
      {"\\Programmi\\Talvenia2016", {"\\Programmi", "\\Programmi\\Talvenia2016"}},
      {"\\\\A//B\\/C\\", {"\\A", "\\A\\B", "\\A\\B\\C"}},
      {"A/B", {"\\A", "\\A\\B"}},
      {"\\", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(talv::FolderLevels(c.path), c.levels) << c.path;
}

TEST(WriteTestFileName, StartsWithTestDatAndNeverRepeats) {
  EXPECT_EQ(talv::WriteTestFileName(0), "Test.dat");
  std::vector<std::string> names;
  for (int i = 0; i < talv::kWriteTestNameCount; ++i) {
    const std::string name = talv::WriteTestFileName(i);
    for (const std::string& earlier : names) ASSERT_NE(name, earlier) << i;
    names.push_back(name);
  }
}

}  // namespace
