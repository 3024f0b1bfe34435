// The Windows CE Remote API as the installer uses it: the 13 functions RAPI.dll exports, with their published
// prototypes. The program imports them when it loads, through the import library built from rapi.def.
#pragma once

#include <windows.h>

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

HRESULT WINAPI CeRapiInitEx(RAPIINIT* pRapiInit);
HRESULT WINAPI CeRapiUninit(void);

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

// The installer hands cbSize = 12 to CeRapiInitEx: the record's size in the 32-bit RAPI.dll of older PCs.
static_assert(sizeof(void*) != 4 || sizeof(RAPIINIT) == 12, "RAPIINIT must match the 32-bit layout");
#endif
