// The file functions of the emulated handheld: device paths mapped into the device folder's root\, volumes
// with their capacity and write protection, and a link that may drop in the middle of a write or at a path.
// As on the handheld, a call that succeeds leaves the last error as it was.
#include "rapi.h"
#include "rapi_link.h"

using emu::Link;
using emu::OpenObject;
using emu::SetCeError;

namespace {

constexpr DWORD kReadAccess = GENERIC_READ | GENERIC_ALL | FILE_READ_DATA;
constexpr DWORD kWriteAccess = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;
// Only plain attributes reach the host: flags such as overlapped I/O or delete-on-close would change what the
// handle does.
constexpr DWORD kPlainAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY;

bool Exists(const std::wstring& hostPath) { return GetFileAttributesW(hostPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The size of an existing file, or false when there is no file of that name.
bool FileSize(const std::wstring& hostPath, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(hostPath.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// Whether opening a file this way would create or change anything on a write-protected volume.
bool WouldModify(bool canWrite, DWORD disposition, const std::wstring& hostPath) {
  if (canWrite) return true;
  if (disposition == OPEN_EXISTING) return false;
  if (disposition == OPEN_ALWAYS) return !Exists(hostPath);
  return true;
}

template <typename T>
T Fail(DWORD error, T result) {
  SetCeError(error);
  return result;
}

}  // namespace

extern "C" {

HANDLE WINAPI CeCreateFile(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                           LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                           DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeCreateFile", emu::TraceText(lpFileName) + L" " + emu::TraceHex(dwDesiredAccess) + L" " +
                                 emu::TraceHex(dwShareMode) + L" " + std::to_wstring(dwCreationDisposition) + L" " +
                                 emu::TraceHex(dwFlagsAndAttributes));
  if (!link.Usable()) return INVALID_HANDLE_VALUE;
  std::wstring hostPath;
  const DWORD pathError = emu::MapDevicePath(link.Folder(), lpFileName, &hostPath);
  if (pathError != 0) return Fail(pathError, INVALID_HANDLE_VALUE);
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
    return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

  OpenObject object;
  object.canRead = (dwDesiredAccess & kReadAccess) != 0;
  object.canWrite = (dwDesiredAccess & kWriteAccess) != 0;
  if (object.canWrite && link.DropsAt(lpFileName)) return INVALID_HANDLE_VALUE;
  object.area = link.AreaOf(lpFileName);
  if (link.AreaReadOnly(object.area) && WouldModify(object.canWrite, dwCreationDisposition, hostPath))
    return Fail(ERROR_WRITE_PROTECT, INVALID_HANDLE_VALUE);

  DWORD attributes = dwFlagsAndAttributes & kPlainAttributes;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  const DWORD access = (object.canRead ? GENERIC_READ : 0) | (object.canWrite ? GENERIC_WRITE : 0);
  const DWORD share = dwShareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  // A truncating open with write access is made as a plain open and an explicit truncation, so that the bytes
  // given back come from the open handle: looking the name up first would cost the host a scan of the folder for
  // every new file.
  const bool truncating = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
  const bool truncateHere = truncating && object.canWrite;
  const DWORD hostDisposition = !truncateHere                            ? dwCreationDisposition
                                : dwCreationDisposition == CREATE_ALWAYS ? OPEN_ALWAYS
                                                                         : OPEN_EXISTING;
  uint64_t givenBack = 0;
  const bool sizedBefore = truncating && !truncateHere && FileSize(hostPath, &givenBack);
  object.file.Reset(CreateFileW(hostPath.c_str(), access, share, nullptr, hostDisposition, attributes, nullptr));
  if (!object.file.IsValid()) return Fail(GetLastError(), INVALID_HANDLE_VALUE);
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS || hostDisposition == OPEN_EXISTING;
  LARGE_INTEGER size = {};
  if (existed && !GetFileSizeEx(object.file.Get(), &size)) return Fail(GetLastError(), INVALID_HANDLE_VALUE);
  if (truncateHere && existed) {
    if (!SetEndOfFile(object.file.Get())) return Fail(GetLastError(), INVALID_HANDLE_VALUE);
    givenBack = static_cast<uint64_t>(size.QuadPart);
    size.QuadPart = 0;
  }
  if (truncateHere || sizedBefore) link.Release(object.area, givenBack);
  // The emulator is the only writer through this handle: it keeps position and size itself.
  object.size = truncating ? 0 : static_cast<uint64_t>(size.QuadPart);
  // Only the two dispositions that may find a file there say whether they did; any other success leaves the
  // last error as it was.
  if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
    SetCeError(existed ? ERROR_ALREADY_EXISTS : 0);
  return link.Add(std::move(object));
}

BOOL WINAPI CeReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                       LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeReadFile", std::to_wstring(nNumberOfBytesToRead));
  if (!link.Usable()) return FALSE;
  OpenObject* object = link.Find(hFile);
  if (object == nullptr || !object->file.IsValid()) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!object->canRead) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (lpBuffer == nullptr && nNumberOfBytesToRead > 0) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  DWORD got = 0;
  if (!ReadFile(object->file.Get(), lpBuffer, nNumberOfBytesToRead, &got, nullptr)) return Fail(GetLastError(), FALSE);
  object->position += got;
  pace.Moved(got);
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = got;
  return TRUE;
}

BOOL WINAPI CeWriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                        LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeWriteFile", std::to_wstring(nNumberOfBytesToWrite));
  if (!link.Usable()) return FALSE;
  OpenObject* object = link.Find(hFile);
  if (object == nullptr || !object->file.IsValid()) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!object->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (lpBuffer == nullptr && nNumberOfBytesToWrite > 0) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (nNumberOfBytesToWrite == 0) return TRUE;

  // write_limit: the handheld takes only part of a long block and says so through the count, not the result.
  pace.Moved(nNumberOfBytesToWrite);  // the whole block crosses the cable, whatever the handheld keeps of it
  const DWORD limit = link.Config().writeLimit;
  const DWORD asked = limit != 0 && nNumberOfBytesToWrite > limit ? limit : nNumberOfBytesToWrite;
  const uint64_t beforeDrop = link.BytesBeforeDrop();
  const bool drops = asked > beforeDrop;
  // A dropping link still delivers the bytes up to its limit, as a real cable pulled mid-transfer would.
  const DWORD count = drops ? static_cast<DWORD>(beforeDrop) : asked;
  const uint64_t end = object->position + count;
  const uint64_t growth = end > object->size ? end - object->size : 0;
  if (growth > link.FreeBytes(object->area)) {
    if (!drops) return Fail(ERROR_DISK_FULL, FALSE);
    link.Drop();
    return FALSE;
  }
  DWORD written = 0;
  const BOOL ok = count == 0 || WriteFile(object->file.Get(), lpBuffer, count, &written, nullptr);
  const DWORD writeError = ok ? 0 : GetLastError();
  link.CountWritten(written);
  link.Consume(object->area, growth);
  object->position += written;
  if (object->position > object->size) object->size = object->position;
  if (drops) {
    link.Drop();
    return FALSE;
  }
  if (!ok) return Fail(writeError, FALSE);
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = written;
  return TRUE;
}

BOOL WINAPI CeCloseHandle(HANDLE hObject) {
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeCloseHandle");
  if (!link.Usable()) return FALSE;
  if (!link.Remove(hObject)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  return TRUE;
}

BOOL WINAPI CeDeleteFile(LPCWSTR lpFileName) {
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeDeleteFile", emu::TraceText(lpFileName));
  if (!link.Usable()) return FALSE;
  std::wstring hostPath;
  const DWORD pathError = emu::MapDevicePath(link.Folder(), lpFileName, &hostPath);
  if (pathError != 0) return Fail(pathError, FALSE);
  const int area = link.AreaOf(lpFileName);
  if (link.AreaReadOnly(area)) return Fail(ERROR_WRITE_PROTECT, FALSE);
  uint64_t size = 0;
  const bool sized = FileSize(hostPath, &size);
  if (!DeleteFileW(hostPath.c_str())) return Fail(GetLastError(), FALSE);
  if (sized) link.Release(area, size);
  return TRUE;
}

BOOL WINAPI CeCreateDirectory(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
  Link& link = Link::Instance();
  auto lock = link.Hold();
  emu::PacedCall pace(link);
  link.Trace("CeCreateDirectory", emu::TraceText(lpPathName));
  if (!link.Usable()) return FALSE;
  std::wstring hostPath;
  const DWORD pathError = emu::MapDevicePath(link.Folder(), lpPathName, &hostPath);
  if (pathError != 0) return Fail(pathError, FALSE);
  if (link.DropsAt(lpPathName)) return FALSE;
  // An existing name is reported before write protection, so that a caller walking down a protected volume's
  // existing folders sees them as existing.
  if (Exists(hostPath)) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (link.AreaReadOnly(link.AreaOf(lpPathName))) return Fail(ERROR_WRITE_PROTECT, FALSE);
  if (!CreateDirectoryW(hostPath.c_str(), nullptr)) return Fail(GetLastError(), FALSE);
  return TRUE;
}

}  // extern "C"
