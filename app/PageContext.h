// What a page sees of the wizard: the shared state, the package this run prepared, and the handheld's link
// as the wizard runs it. Never the frame: a page that could reach the frame could navigate or end it from
// under the state table that decides those.
#pragma once
#include <optional>
#include <string>

#include "InstallerState.h"

// The package as a value worked out once, when its preparation has finished: nothing here searches the
// program's folder or asks the system for the temporary folder again.
struct PreparedPackage {
  std::wstring fileName;       // the "*.pkg" beside the program; empty when there was none
  unsigned char productA = 1;  // the archive's flag bytes, as the installer's state holds them
  unsigned char launcherInstall = 0;
  std::wstring archivePath;          // "TFInst.pkg" in the temporary folder; empty without a temporary folder
  std::optional<int> inflateResult;  // what the decompression returned; nothing when this run prepared none
  std::string folderName;            // the install folder's name, from the package's name and its flags

  // The install folder on the chosen storage area (which ends with a backslash), with its own final one.
  std::string InstallFolder(const std::string& destinationDir) const { return destinationDir + folderName + "\\"; }
};

// The wizard's services a page calls: the connection check, run the wizard's way (wait cursor, requests that
// come meanwhile held), and the buttons that say a copy runs.
class PageHost {
 public:
  virtual bool CheckDeviceConnection() = 0;
  virtual void SetInstallRunning(bool running) = 0;

 protected:
  ~PageHost() = default;
};

struct PageContext {
  InstallerState* state = nullptr;
  const PreparedPackage* package = nullptr;
  PageHost* host = nullptr;
};
