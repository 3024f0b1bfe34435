#include "package_location.h"

#include <windows.h>
#include "unique_handle_win.h"

std::wstring ExecutableFolder() {
  wchar_t path[1024] = {};
  DWORD length = ::GetModuleFileNameW(nullptr, path, 1024);
  std::wstring wide(path, length < 1024 ? length : 1023);
  size_t slash = wide.find_last_of(L'\\');
  if (slash != std::wstring::npos) wide.resize(slash);
  return wide;
}

bool FindFirstPackage(const std::wstring& folder, std::wstring* fileName) {
  WIN32_FIND_DATAW data = {};
  const base::UniqueFindHandle find(::FindFirstFileW((folder + L"\\*.pkg").c_str(), &data));
  if (!find.IsValid()) return false;
  *fileName = data.cFileName;
  return true;
}
