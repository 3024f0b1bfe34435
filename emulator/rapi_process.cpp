// Programs started on the emulated handheld: each start is recorded in processes.log in the device folder. An ARM
// Windows CE program (the device agent) runs on the ARM CPU emulator over the device folder when the handheld's
// processor is ARM; a program built for the PC itself (the tests' helpers) runs on the PC when the handheld
// claims the PC's processor. A program for any other processor is refused, as the handheld's loader refuses it.
#include <string>
#include <vector>

#include "ce_program_start.h"
#include "pe_image.h"
#include "program_image.h"
#include "rapi.h"
#include "rapi_link.h"

using base::UniqueKernelHandle;
using emu::Link;
using emu::SetCeError;
using emu::Utf8;

namespace {

constexpr wchar_t kFolderVariable[] = L"RAPI_EMULATOR_DEVICE";
// A handheld program fits in its 32 MiB process slot; anything larger is no program it could load.
constexpr LONGLONG kLargestArmImage = 32 << 20;

bool AppendToLog(const std::wstring& folder, const std::wstring& image, const std::wstring& commandLine) {
  UniqueKernelHandle log(CreateFileW((folder + L"\\processes.log").c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));
  if (!log.IsValid()) return false;
  const std::string line = Utf8(image) + "\t" + Utf8(commandLine) + "\r\n";
  DWORD written = 0;
  return WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
         written == line.size();
}

// The kind of program the image on the handheld is, as its loader sees it: an ARM program the loader refuses
// (a bad header, an import it cannot bind) counts as one for another processor.
emu::ImageKind ClassifyHostImage(const std::wstring& hostPath, WORD hostMachine) {
  UniqueKernelHandle file(CreateFileW(hostPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return emu::ImageKind::NotAProgram;
  std::vector<uint8_t> bytes(emu::kImageHeadBytes);
  DWORD got = 0;
  if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
    return emu::ImageKind::NotAProgram;
  const emu::ImageKind kind = emu::ClassifyImage(bytes.data(), got, hostMachine);
  if (kind != emu::ImageKind::ArmProgram) return kind;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestArmImage) return emu::ImageKind::OtherProcessor;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  if (bytes.size() > got) {
    DWORD more = 0;
    if (!ReadFile(file.Get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &more, nullptr) ||
        more != bytes.size() - got)
      return emu::ImageKind::OtherProcessor;
  }
  ce::LoadedImage image;
  std::string refusal;
  return ce::LoadPeImage(bytes, &image, &refusal) ? emu::ImageKind::ArmProgram : emu::ImageKind::OtherProcessor;
}

WORD HostMachine() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&HostMachine), &self);
  const auto* base = reinterpret_cast<const BYTE*>(self);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew)->FileHeader.Machine;
}

// The processor architecture a handheld must claim for a program built for this PC to run on it.
WORD HostProcessor() {
  return HostMachine() == emu::kMachineAmd64 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
}

// This process's environment with RAPI_EMULATOR_DEVICE naming the device folder.
std::vector<wchar_t> EnvironmentFor(const std::wstring& folder) {
  std::vector<wchar_t> block;
  const std::wstring prefix = std::wstring(kFolderVariable) + L"=";
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
      if (CompareStringOrdinal(entry, static_cast<int>(prefix.size()), prefix.c_str(), static_cast<int>(prefix.size()),
                               TRUE) == CSTR_EQUAL)
        continue;
      block.insert(block.end(), entry, entry + wcslen(entry) + 1);
    }
    FreeEnvironmentStringsW(strings);
  }
  const std::wstring own = prefix + folder;
  block.insert(block.end(), own.c_str(), own.c_str() + own.size() + 1);
  block.push_back(L'\0');
  return block;
}

// Starts the program without waiting for it. The program's command line is its quoted path, then a blank and
// the caller's command line when there is one: everything after the first blank that follows the closing quote
// is what the handheld would hand to the program.
bool StartHostProgram(const std::wstring& folder, const std::wstring& hostImage, const std::wstring& arguments,
                      DWORD* processId, DWORD* threadId) {
  std::wstring commandLine = L"\"" + hostImage + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  std::vector<wchar_t> environment = EnvironmentFor(folder);
  const std::wstring directory = hostImage.substr(0, hostImage.find_last_of(L'\\'));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(hostImage.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), directory.c_str(), &startup, &started))
    return false;
  UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  *processId = started.dwProcessId;
  *threadId = started.dwThreadId;
  return true;
}

}  // namespace

extern "C" BOOL WINAPI CeCreateProcess(LPCWSTR lpApplicationName, LPCWSTR lpCommandLine,
                                       LPSECURITY_ATTRIBUTES lpProcessAttributes,
                                       LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                                       DWORD dwCreationFlags, LPVOID lpEnvironment, LPWSTR lpCurrentDirectory,
                                       LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
  if (lpProcessInformation != nullptr) *lpProcessInformation = PROCESS_INFORMATION{};
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeCreateProcess", emu::TraceText(lpApplicationName) + L" " + emu::TraceText(lpCommandLine));
  if (!link.Usable()) return FALSE;
  std::wstring hostImage;
  const DWORD pathError = emu::MapDevicePath(link.Folder(), lpApplicationName, &hostImage);
  if (pathError != 0) {
    SetCeError(pathError);
    return FALSE;
  }
  const DWORD attributes = GetFileAttributesW(hostImage.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    SetCeError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // Bounded, so that an unterminated buffer cannot run on.
  std::wstring arguments;
  for (std::size_t i = 0; lpCommandLine != nullptr && lpCommandLine[i] != L'\0' && i < 32767; ++i)
    arguments.push_back(lpCommandLine[i]);
  if (!AppendToLog(link.Folder(), lpApplicationName, arguments)) {
    SetCeError(GetLastError());
    return FALSE;
  }
  // Every start asked of an image that is there is recorded, also one the loader then refuses. A handheld that
  // runs no programs (run_programs=0) records them and loads none.
  const emu::ImageKind kind = ClassifyHostImage(hostImage, HostMachine());
  if (link.Config().runPrograms &&
      (kind == emu::ImageKind::OtherProcessor ||
       (kind == emu::ImageKind::ArmProgram && link.Config().processor != PROCESSOR_ARCHITECTURE_ARM) ||
       (kind == emu::ImageKind::HostProgram && link.Config().processor != HostProcessor()))) {
    SetCeError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
  }

  static DWORD s_nextId = 0x1000;
  DWORD processId = s_nextId += 4, threadId = s_nextId += 4;
  if (kind == emu::ImageKind::ArmProgram && link.Config().runPrograms) {
    std::wstring resultFile;
    const DWORD startError = emu::StartCeProgram(link.Folder(), hostImage, arguments, processId, &resultFile);
    if (startError != 0) {
      SetCeError(startError);
      return FALSE;
    }
    link.ProgramStarted(resultFile);
  } else if (kind == emu::ImageKind::HostProgram && link.Config().runPrograms) {
    if (!StartHostProgram(link.Folder(), hostImage, arguments, &processId, &threadId)) {
      SetCeError(GetLastError());
      return FALSE;
    }
    // Whatever the program does on the disk, the next free-space figure is measured again.
    link.ForgetFreeSpace();
  }
  if (lpProcessInformation != nullptr) {
    lpProcessInformation->hProcess = link.Add(emu::OpenObject{});
    lpProcessInformation->hThread = link.Add(emu::OpenObject{});
    lpProcessInformation->dwProcessId = processId;
    lpProcessInformation->dwThreadId = threadId;
  }
  SetCeError(0);
  return TRUE;
}
