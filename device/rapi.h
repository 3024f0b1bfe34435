// The Windows CE Remote API as the installer uses it: the functions RAPI.dll exports, with their published
// prototypes. The program binds them on first use, through the delay-import library built from rapi.def.
#pragma once

#include <windows.h>

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _RAPIINIT {
  DWORD cbSize;
  HANDLE heRapiInit;
  HRESULT hrRapiInit;
} RAPIINIT;

typedef struct STORE_INFORMATION {
  DWORD dwStoreSize;
  DWORD dwFreeSize;
} STORE_INFORMATION, *LPSTORE_INFORMATION;

// What CeRapiInitEx answers on a thread (or, with a RAPI.dll of one link per process, in a process) whose link
// is already set up: the link is there to be used.
#define CERAPI_E_ALREADYINITIALIZED ((HRESULT)0x80041001L)

HRESULT WINAPI CeRapiInitEx(RAPIINIT* pRapiInit);
HRESULT WINAPI CeRapiUninit(void);
// After a failed call: a failure code when the link itself failed (the cable pulled, the handheld asleep), in
// which case CeGetLastError still holds whatever the handheld said before; a success code when the call reached
// the handheld and CeGetLastError tells why it failed there.
HRESULT WINAPI CeRapiGetError(void);

HANDLE WINAPI CeCreateFile(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                           LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                           DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL WINAPI CeReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                       LPOVERLAPPED lpOverlapped);
BOOL WINAPI CeWriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                        LPOVERLAPPED lpOverlapped);
BOOL WINAPI CeCloseHandle(HANDLE hObject);
BOOL WINAPI CeDeleteFile(LPCWSTR lpFileName);
BOOL WINAPI CeCreateDirectory(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
DWORD WINAPI CeGetLastError(void);

BOOL WINAPI CeCreateProcess(LPCWSTR lpApplicationName, LPCWSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                            LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                            LPVOID lpEnvironment, LPWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                            LPPROCESS_INFORMATION lpProcessInformation);

// Returns the length of the path copied into lpBuffer, 0 on failure.
DWORD WINAPI CeGetSpecialFolderPath(int nFolder, DWORD nBufferLength, LPWSTR lpBuffer);
BOOL WINAPI CeGetStoreInformation(LPSTORE_INFORMATION lpsi);
void WINAPI CeGetSystemInfo(LPSYSTEM_INFO lpSystemInfo);

#ifdef __cplusplus
}  // extern "C"

// cbSize is the record's size in the caller's architecture, and RAPI.dll refuses any other: 12 bytes in a 32-bit
// process, 24 in a 64-bit one, where the handle and the HRESULT each start on an 8-byte boundary.
static_assert(sizeof(void*) != 4 || (sizeof(RAPIINIT) == 12 && offsetof(RAPIINIT, heRapiInit) == 4 &&
                                     offsetof(RAPIINIT, hrRapiInit) == 8),
              "RAPIINIT must match the 32-bit layout");
static_assert(sizeof(void*) != 8 || (sizeof(RAPIINIT) == 24 && offsetof(RAPIINIT, heRapiInit) == 8 &&
                                     offsetof(RAPIINIT, hrRapiInit) == 16),
              "RAPIINIT must match the 64-bit layout");
#endif
