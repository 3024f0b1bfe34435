#include "default_folder_name.h"

#include <cstring>

namespace talv {

std::string DefaultFolderName(const char* packageFileName, bool productA, bool launcherInstall) {
  const std::string product = productA ? "Talvenia" : "Fendro";
  if (packageFileName == nullptr) return product;

  // Less the extension ".pkg"; a name too short to have one leaves nothing.
  const size_t length = strlen(packageFileName);
  std::string name(packageFileName, length >= 4 ? length - 4 : 0);
  if (!launcherInstall) return name;

  const size_t year = name.find("20");
  if (year == std::string::npos) {
    name = product;
  } else if (name.size() > year + 4) {
    name.resize(year + 4);
  }
  return "PROGRAM\\" + product + "\\" + name;
}

}  // namespace talv
