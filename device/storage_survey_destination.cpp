#include "storage_survey_destination.h"

#include <cstdio>

namespace talv {

namespace {

std::string Formatted(const char* format, double value) {
  char text[64];
  // A figure too large for the field is cut, never written past it.
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string FreeSpaceText(double megabytes) { return Formatted("%.2f Mb liberi", megabytes); }

std::string RequiredSpaceText(double megabytes) { return Formatted("%.2f Mb neccessari", megabytes); }

DestinationDiagnosis DiagnoseDestination(int32_t freeHundredths, bool mainStore, double requiredMB,
                                         const std::function<bool()>& writeTest) {
  DestinationDiagnosis result;
  result.ready = true;
  const double free = freeHundredths / 100.0;
  if (free < 0) {
    result.freeText = kNoData;
    result.notes += kNoteReadingFailed;
    result.ready = false;
  } else {
    result.freeText = FreeSpaceText(free);
  }
  result.requiredText = RequiredSpaceText(requiredMB);
  if (!result.ready) return result;

  if (mainStore) result.notes += kNoteNotPermanent;  // a warning: the area stays eligible
  if (!writeTest || !writeTest()) {
    result.notes += kNoteWriteTestFailed;
    result.ready = false;
    return result;
  }
  if (requiredMB >= free) {
    result.notes += kNoteNoRoom;
    result.ready = false;
  } else {
    result.notes += kNoteReady;
  }
  return result;
}

std::string AreaRootFolder(const std::string& entryText, bool mainStore) {
  return mainStore ? entryText : "\\" + entryText + "\\";
}

std::vector<std::string> FolderLevels(const std::string& path) {
  std::vector<std::string> levels;
  std::string current;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      current += "\\" + path.substr(start, end - start);
      levels.push_back(current);
    }
    start = end + 1;
  }
  return levels;
}

std::string WriteTestFileName(int index) {
  if (index <= 0) return "Test.dat";
  return "Test" + std::to_string(index) + ".dat";
}

}  // namespace talv
