// Every call the installer makes to the handheld, over the process's one RAPI link. Paths are narrow device
// paths; each call converts them (ISO 8859-1) into the 260-unit buffer RAPI takes. Failures are values: a copy
// returns the device's error, the others say whether they succeeded. A link that failed is never read as the
// handheld's answer: after a lost link CeGetLastError still holds what the handheld said before, often 0 or
// an earlier "already exists". Without RAPI.dll every call fails and nothing is called.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "rapi.h"
#include "rapi_connection.h"
#include "unique_handle.h"

namespace talv {

// A handle that RAPI gave out (a device file, process or thread): closed with CeCloseHandle.
struct DeviceHandleTraits {
  using Handle = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE h) { return CeCloseHandle(h) != FALSE; }
};
using UniqueDeviceHandle = base::UniqueHandle<DeviceHandleTraits>;

// --- The link ------------------------------------------------------------------------------------------------
// What a failed copy reports when the link itself failed (ERROR_DEVICE_NOT_CONNECTED).
constexpr uint32_t kLinkLostError = ERROR_DEVICE_NOT_CONNECTED;
// What it reports when the handheld refused without naming a reason (ERROR_GEN_FAILURE).
constexpr uint32_t kUnnamedDeviceError = ERROR_GEN_FAILURE;

// Why the RAPI call this thread has just seen fail failed: kLinkLostError when the link failed, else the
// handheld's own error, never 0.
uint32_t FailedCallError();
// Whether the RAPI call this thread has just seen fail failed on the handheld with exactly deviceError (and
// not on the link, which leaves an older error standing).
bool FailedWith(uint32_t deviceError);

// Ends whatever link an earlier call left open.
void CloseDeviceLink();
// Starts a link and waits up to timeoutMs for the handheld's answer, dispatching messages meanwhile (see
// WaitForRapiAnswer, which also says what preTranslate and quitCode are for). True when the handheld answered;
// otherwise no link stays open. False at once when RAPI.dll is not there.
bool OpenDeviceLink(DWORD timeoutMs, TickCountFn tickCount, void (*onWake)(), BOOL (*preTranslate)(MSG*) = nullptr,
                    std::optional<int>* quitCode = nullptr);

// --- Files and folders ---------------------------------------------------------------------------------------
// Opens an existing device file for reading (the probe of the agent, the storage report).
UniqueDeviceHandle OpenDeviceFileForReading(const std::string& devicePath);
// The whole content of an open device file, read up to its end.
std::vector<unsigned char> ReadDeviceFile(HANDLE file);
// Whether the device file holds exactly size bytes equal to bytes.
bool DeviceFileHolds(const std::string& devicePath, const void* bytes, std::size_t size);

// Copies byteCount bytes of source (fewer when it ends first; none for a null source) into a new device file,
// replacing one of that name, in chunks of 4096 bytes. Returns 0, or the error behind the failure as
// FailedCallError gives it; a partly written file stays on the device. The source stands after the bytes read.
uint32_t CopyFileToDevice(FILE* source, uint32_t byteCount, const std::string& devicePath);

void DeleteDeviceFile(const std::string& devicePath);

// Deletes a program file that may still be running: a program that has just written its last output can take
// a moment more to end, and until it has, its file cannot be deleted. Tries again while the device says the
// file is in use, for up to waitMs; true when the file is gone (or was never there).
bool DeleteDeviceProgram(const std::string& devicePath, DWORD waitMs);

// Creates one folder level; true when the folder is there afterwards (created now or already existing).
bool CreateDeviceFolder(const std::string& folder);

enum class CreateFolderResult { Created, AlreadyExists, Failed };

// Creates every level of folder (a full device path) from the top down; only the last level's outcome counts.
CreateFolderResult CreateDeviceFolderLevels(const std::string& folder);

// Whether a file can be created and written in rootFolder. Only a file that this test creates is written and
// deleted: a "Test.dat" that is already there belongs to someone else, and the test takes another free name.
bool RunWriteTest(const std::string& rootFolder);

// --- Programs and facts --------------------------------------------------------------------------------------
// Starts a program on the handheld, with commandLine or none, without waiting for it.
bool StartDeviceProgram(const std::string& devicePath, const wchar_t* commandLine = nullptr);

// Whether the handheld's processor is ARM, the only kind the agent is built for.
bool DeviceProcessorIsArm();

// Free space of the main store in hundredths of a megabyte; false when the device does not say.
bool MainStoreFreeHundredths(int32_t* hundredths);

// A special folder of the handheld (CSIDL value) as narrow text, without trailing backslash. False, with out
// empty, when the look-up fails or the path has no narrow form.
bool DeviceSpecialFolder(int csidl, std::string* out);

}  // namespace talv
