// What the destination step says about one storage area, and the device paths it builds for it. Portable:
// the device calls (the write test) come in as a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace talv {

// Notes of the diagnosis, in the order in which they can appear.
constexpr char kNoteReadingFailed[] = "Fallita la lettura dell'area selezionata\r\nImpossibile installarci Talvenia";
constexpr char kNoteNotPermanent[] = "-> Area di memoria selezionata non permanente\r\n";
constexpr char kNoteWriteTestFailed[] =
    "-> Fallito il test di scrittura sulla destinazione\r\n Area protetta da scrittura o permessi negati\r\n";
constexpr char kNoteNoRoom[] = "-> Memoria libera non sufficente per l'installazione\r\n";
constexpr char kNoteReady[] = "Destinazione selezionata pronta per l'installazione\r\n";
constexpr char kNoData[] = "---";

struct DestinationDiagnosis {
  std::string freeText;
  std::string requiredText;
  std::string notes;
  bool ready = false;
};

// Diagnoses the selected area from its list value (free hundredths of a megabyte; -1 when nothing is
// selected). writeTest runs only for an area whose free space was read, and says whether the area took a test
// file; a failed write test leaves out the space verdict.
DestinationDiagnosis DiagnoseDestination(int32_t freeHundredths, bool mainStore, double requiredMB,
                                         const std::function<bool()>& writeTest);

// The "%.2f" texts of the two memory fields.
std::string FreeSpaceText(double megabytes);
std::string RequiredSpaceText(double megabytes);

// Root folder of a list entry: the main store's entry is the program-files folder itself (it ends with a
// backslash); a volume is \<name>\.
std::string AreaRootFolder(const std::string& entryText, bool mainStore);

// The folders to create, from the top down, for a path: "\A\B/C" gives \A, \A\B, \A\B\C. Empty components
// (doubled separators, leading or trailing ones) are skipped.
std::vector<std::string> FolderLevels(const std::string& path);

// Names for the write test's file in an area's root, in the order they are tried: "Test.dat" first, then
// others for when a file of that name belongs to the user. index 0 is "Test.dat".
std::string WriteTestFileName(int index);
constexpr int kWriteTestNameCount = 100;

}  // namespace talv
