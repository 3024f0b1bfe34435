#include "package_location.h"

#include <windows.h>
#include "ScopedHandles.h"
#include "Text.h"

std::string ExecutableFolder() {
  wchar_t path[1024] = {};
  DWORD length = ::GetModuleFileNameW(nullptr, path, 1024);
  std::wstring wide(path, length < 1024 ? length : 1023);
  size_t slash = wide.find_last_of(L'\\');
  if (slash != std::wstring::npos) wide.resize(slash);
  return afx::Narrow(wide);
}

namespace {
struct FindTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
using ScopedFind = afx::ScopedHandle<HANDLE, FindTraits>;
}  // namespace

bool FindFirstPackage(const std::string& folder, std::string* fileName) {
  WIN32_FIND_DATAW data = {};
  ScopedFind find(::FindFirstFileW(afx::Widen(folder + "\\*.pkg").c_str(), &data));
  if (!find.IsValid()) return false;
  *fileName = afx::Narrow(data.cFileName);
  return true;
}
