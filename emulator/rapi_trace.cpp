// trace.log: what the caller asked of the handheld, call by call, so that a test can see how a program
// uses the link (chunk sizes, open modes, the order of start-up and shut-down) and not only its outcome.
#include <string>

#include "rapi_link.h"

namespace emu {

void Link::Trace(const char* function, const std::wstring& arguments) {
  if (!config_.trace || folder_.empty()) return;
  UniqueKernelHandle log(CreateFileW((folder_ + L"\\trace.log").c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log.IsValid()) return;
  std::string line = function;
  if (!arguments.empty()) line += " " + Utf8(arguments);
  line += "\r\n";
  DWORD written = 0;
  WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring TraceText(const wchar_t* text) {
  if (text == nullptr) return L"(null)";
  std::wstring out;
  // Bounded, so that an unterminated buffer cannot run on.
  for (std::size_t i = 0; text[i] != L'\0' && i < 1024; ++i) out.push_back(text[i]);
  return out;
}

std::wstring TraceHex(DWORD value) {
  wchar_t text[16];
  wsprintfW(text, L"0x%lX", static_cast<unsigned long>(value));
  return text;
}

}  // namespace emu
