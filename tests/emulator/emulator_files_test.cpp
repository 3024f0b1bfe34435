// Files on the emulated handheld: Windows CE error codes, confinement to root\, volumes, the dropping link.
#include <functional>
#include <string>
#include <vector>

#include "emulated_device.h"
#include "emulator_fixture.h"

namespace emu_test {
namespace {

class EmulatorFiles : public EmulatorTest {
 protected:
  HANDLE Open(const wchar_t* path, DWORD access, DWORD disposition) {
    return CeCreateFile(path, access, access == GENERIC_READ ? FILE_SHARE_READ : FILE_SHARE_WRITE, nullptr, disposition,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  std::string ReadDevice(const wchar_t* path) {
    HANDLE file = Open(path, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    std::string content;
    char buffer[1000];
    DWORD got = 0;
    while (CeReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CeCloseHandle(file);
    return content;
  }
};

TEST_F(EmulatorFiles, ReportsWindowsCeErrorCodes) {
  ASSERT_TRUE(CeCreateDirectory(L"\\Programmi", nullptr));
  ASSERT_TRUE(WriteHostFile(Root(L"\\ROM\\app.exe"), "MZ"));
  // 259 characters, the most a path may have, in names a host file system accepts.
  const std::wstring outer = L"\\" + std::wstring(120, L'd'), inner = outer + L"\\" + std::wstring(120, L'e');
  const std::wstring longest = inner + L"\\" + std::wstring(16, L'f');
  const std::wstring tooLong = longest + L"f";
  ASSERT_EQ(longest.size(), 259u);
  ASSERT_TRUE(CeCreateDirectory(outer.c_str(), nullptr));
  ASSERT_TRUE(CeCreateDirectory(inner.c_str(), nullptr));
  const struct {
    const char* what;
    std::function<bool()> call;
    DWORD error;
  } cases[] = {
      {"open a missing file",
       [&] { return Open(L"\\missing.txt", GENERIC_READ, OPEN_EXISTING) != INVALID_HANDLE_VALUE; },
       ERROR_FILE_NOT_FOUND},
      {"create under a missing folder", [&] { return PutFile(L"\\No\\file.txt", "x"); }, ERROR_PATH_NOT_FOUND},
      {"create a folder under a missing one", [&] { return CeCreateDirectory(L"\\No\\Sub", nullptr) != FALSE; },
       ERROR_PATH_NOT_FOUND},
      {"create an existing folder", [&] { return CeCreateDirectory(L"\\programmi", nullptr) != FALSE; },
       ERROR_ALREADY_EXISTS},
      {"create a volume's folder", [&] { return CeCreateDirectory(L"\\Card", nullptr) != FALSE; },
       ERROR_ALREADY_EXISTS},
      {"a path of 260 characters", [&] { return PutFile(tooLong.c_str(), "x"); }, ERROR_FILENAME_EXCED_RANGE},
      {"a folder of 260 characters", [&] { return CeCreateDirectory(tooLong.c_str(), nullptr) != FALSE; },
       ERROR_FILENAME_EXCED_RANGE},
      {"write a file on a protected volume", [&] { return PutFile(L"\\ROM\\new.txt", "x"); }, ERROR_WRITE_PROTECT},
      {"open a protected file for writing",
       [&] { return Open(L"\\rom\\app.exe", GENERIC_WRITE, OPEN_EXISTING) != INVALID_HANDLE_VALUE; },
       ERROR_WRITE_PROTECT},
      {"write test on a protected volume",
       [&] { return Open(L"\\ROM\\Test.dat", GENERIC_WRITE, OPEN_ALWAYS) != INVALID_HANDLE_VALUE; },
       ERROR_WRITE_PROTECT},
      {"a folder on a protected volume", [&] { return CeCreateDirectory(L"\\ROM\\PROGRAM", nullptr) != FALSE; },
       ERROR_WRITE_PROTECT},
      {"delete on a protected volume", [&] { return CeDeleteFile(L"\\ROM\\app.exe") != FALSE; }, ERROR_WRITE_PROTECT},
      {"delete a missing file", [&] { return CeDeleteFile(L"\\missing.txt") != FALSE; }, ERROR_FILE_NOT_FOUND},
      {"a null path", [&] { return Open(nullptr, GENERIC_READ, OPEN_EXISTING) != INVALID_HANDLE_VALUE; },
       ERROR_INVALID_PARAMETER},
      {"an unknown disposition", [&] { return Open(L"\\x.txt", GENERIC_WRITE, 9) != INVALID_HANDLE_VALUE; },
       ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(CeGetLastError(), c.error) << c.what;
  }
  EXPECT_TRUE(PutFile(longest.c_str(), "259")) << CeGetLastError();
  EXPECT_EQ(ReadDevice(L"\\rom\\APP.EXE"), "MZ") << "reading a protected volume is allowed";
  EXPECT_FALSE(HostExists(Root(L"\\ROM\\new.txt")));
  EXPECT_FALSE(HostExists(Root(L"\\ROM\\PROGRAM")));
}

TEST_F(EmulatorFiles, RefusesEveryWayOutOfTheRoot) {
  ASSERT_TRUE(CeCreateDirectory(L"\\Inside", nullptr));
  const wchar_t* const paths[] = {
      L"\\..\\escaped.txt",
      L"\\Inside\\..\\..\\escaped.txt",
      L"\\Inside\\..\\escaped.txt",
      L"\\.\\escaped.txt",
      L"C:\\escaped.txt",
      L"\\C:\\escaped.txt",
      L"\\Inside\\x:stream",
      L"/escaped.txt",
      L"\\Inside/../../escaped.txt",
      L"escaped.txt",
      L"..\\escaped.txt",
      L"\\NUL",
      L"\\Inside\\con.txt",
      L"\\COM1",
      L"\\lpt9.log",
      L"\\Inside\\escaped.txt.",
      L"\\Inside\\escaped.txt ",
      L"\\Inside\\*.txt",
      L"\\Inside\\a?b",
      L"\\Inside\\a\"b",
      L"\\Inside\\a|b",
      L"\\Inside\\a\x01"
      L"b",
      L"\\\\?\\C:\\escaped.txt",
      L"\\\\.\\C:\\escaped.txt",
  };
  for (const wchar_t* path : paths) {
    EXPECT_EQ(Open(path, GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE) << path;
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << path;
    EXPECT_FALSE(CeCreateDirectory(path, nullptr)) << path;
    EXPECT_FALSE(CeDeleteFile(path)) << path;
  }
  EXPECT_FALSE(HostExists(device_.Path() + L"\\escaped.txt"));
  EXPECT_FALSE(HostExists(Root(L"\\escaped.txt")));
  // Doubled and trailing backslashes stay inside.
  EXPECT_TRUE(PutFile(L"\\\\Inside\\\\kept.txt", "k"));
  EXPECT_TRUE(HostExists(Root(L"\\Inside\\kept.txt")));
  EXPECT_TRUE(CeCreateDirectory(L"\\Inside\\Sub\\", nullptr));
  EXPECT_TRUE(HostExists(Root(L"\\Inside\\Sub")));
}

TEST_F(EmulatorFiles, NamesAreCaseInsensitiveAndFilesAreReplaced) {
  ASSERT_TRUE(CeCreateDirectory(L"\\Documenti", nullptr));
  ASSERT_TRUE(PutFile(L"\\Documenti\\Nota.TXT", "first version"));
  EXPECT_EQ(ReadDevice(L"\\DOCUMENTI\\nota.txt"), "first version");
  ASSERT_TRUE(PutFile(L"\\documenti\\NOTA.txt", "second"));
  EXPECT_EQ(ReadDevice(L"\\Documenti\\Nota.TXT"), "second") << "CREATE_ALWAYS replaces, never appends";
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS))
      << "what CREATE_ALWAYS of the existing file said, kept through the successful read";
  HANDLE file = Open(L"\\Documenti\\nota.txt", GENERIC_WRITE, OPEN_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "OPEN_ALWAYS of an existing file";
  EXPECT_TRUE(CeCloseHandle(file));
  EXPECT_TRUE(CeDeleteFile(L"\\DOCUMENTI\\NOTA.TXT"));
  EXPECT_FALSE(HostExists(Root(L"\\Documenti\\Nota.TXT")));
}

TEST_F(EmulatorFiles, RefusesBadHandlesAndArguments) {
  HANDLE reader = nullptr;
  ASSERT_TRUE(PutFile(L"\\data.bin", "data"));
  reader = Open(L"\\data.bin", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  char buffer[8];
  DWORD count = 99;
  for (HANDLE bad :
       {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(0x12345), GetCurrentProcess()}) {
    EXPECT_FALSE(CeReadFile(bad, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(CeWriteFile(bad, "x", 1, &count, nullptr));
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CeCloseHandle(bad));
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  EXPECT_FALSE(CeWriteFile(reader, "x", 1, &count, nullptr)) << "a handle opened for reading";
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(CeReadFile(reader, nullptr, 4, &count, nullptr));
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(CeReadFile(reader, buffer, sizeof buffer, nullptr, nullptr)) << "the count may be left out";
  EXPECT_TRUE(CeCloseHandle(reader));
  EXPECT_FALSE(CeCloseHandle(reader)) << "closed twice";
  EXPECT_FALSE(CeGetStoreInformation(nullptr));
  EXPECT_EQ(CeGetSpecialFolderPath(0x26, MAX_PATH, nullptr), 0u);
  CeGetSystemInfo(nullptr);
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(EmulatorFiles, AVolumeFillsUpInTheMiddleOfAWrite) {
  const std::string chunk(4096, 'v');
  HANDLE file = Open(L"\\Card\\big.bin", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  int accepted = 0;
  while (accepted < 10 && CeWriteFile(file, chunk.data(), 4096, &written, nullptr)) ++accepted;
  EXPECT_EQ(accepted, 4) << "20000 bytes hold four chunks of 4096";
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_TRUE(CeWriteFile(file, chunk.data(), 20000 - 4 * 4096, &written, nullptr)) << "the rest still fits";
  EXPECT_FALSE(CeWriteFile(file, "x", 1, &written, nullptr));
  CeCloseHandle(file);
  std::string onDisk;
  ASSERT_TRUE(ReadHostFile(Root(L"\\Card\\big.bin"), &onDisk));
  EXPECT_EQ(onDisk.size(), 20000u);
  // Rewriting bytes already stored takes no room; the main store has room of its own.
  file = Open(L"\\Card\\big.bin", GENERIC_WRITE, OPEN_EXISTING);
  EXPECT_TRUE(CeWriteFile(file, chunk.data(), 4096, &written, nullptr));
  CeCloseHandle(file);
  EXPECT_TRUE(PutFile(L"\\outside.bin", chunk));
}

TEST_F(EmulatorFiles, FreeSpaceCountsTheFilesOfEachArea) {
  ASSERT_TRUE(CeCreateDirectory(L"\\Windows", nullptr));
  ASSERT_TRUE(PutFile(L"\\Windows\\a.bin", std::string(1000, 'a')));
  ASSERT_TRUE(PutFile(L"\\top.bin", std::string(500, 't')));
  ASSERT_TRUE(PutFile(L"\\card\\c.bin", std::string(3000, 'c')));
  ASSERT_TRUE(WriteHostFile(Root(L"\\ROM\\r.bin"), std::string(7000, 'r')));
  STORE_INFORMATION store = {};
  ASSERT_TRUE(CeGetStoreInformation(&store));
  EXPECT_EQ(store.dwStoreSize, 100000u);
  EXPECT_EQ(store.dwFreeSize, 100000u - 1500u) << "only the bytes outside every volume count";
  emu::DeviceConfig config;
  ASSERT_TRUE(emu::LoadDeviceConfig(device_.Path(), &config));
  ASSERT_EQ(config.volumes.size(), 2u);
  EXPECT_EQ(emu::VolumeFreeBytes(device_.Path(), config, config.volumes[0]), 20000u - 3000u);
  EXPECT_EQ(emu::VolumeFreeBytes(device_.Path(), config, config.volumes[1]), 50000u - 7000u);
  EXPECT_EQ(emu::MainStoreFreeBytes(device_.Path(), config), 100000u - 1500u);
  ASSERT_TRUE(CeDeleteFile(L"\\top.bin"));
  ASSERT_TRUE(CeGetStoreInformation(&store));
  EXPECT_EQ(store.dwFreeSize, 100000u - 1000u);
}

// The figure is kept up to date call by call; after every step it must equal both the step's arithmetic and what
// a fresh connection measures on the disk.
TEST_F(EmulatorFiles, FreeSpaceStaysExactThroughOverwritesTruncationsAndDeletes) {
  const auto writeAt = [&](const wchar_t* path, DWORD disposition, const std::string& bytes) {
    HANDLE file = Open(path, GENERIC_WRITE, disposition);
    DWORD written = 0;
    const bool ok =
        file != INVALID_HANDLE_VALUE &&
        (bytes.empty() || CeWriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    return CeCloseHandle(file) && ok;
  };
  const struct {
    const char* what;
    std::function<bool()> act;
    DWORD used;  // bytes of the main store's files afterwards
  } steps[] = {
      {"a new file", [&] { return writeAt(L"\\a.bin", CREATE_ALWAYS, std::string(3000, 'a')); }, 3000},
      {"replaced by a shorter one", [&] { return writeAt(L"\\a.bin", CREATE_ALWAYS, std::string(1000, 'b')); }, 1000},
      {"rewritten in place and grown", [&] { return writeAt(L"\\a.bin", OPEN_EXISTING, std::string(1500, 'c')); },
       1500},
      {"truncated", [&] { return writeAt(L"\\a.bin", TRUNCATE_EXISTING, ""); }, 0},
      {"opened without truncation",
       [&] { return writeAt(L"\\b.bin", OPEN_ALWAYS, std::string(2500, 'd')) && writeAt(L"\\b.bin", OPEN_ALWAYS, ""); },
       2500},
      {"a folder", [&] { return CeCreateDirectory(L"\\Folder", nullptr) != FALSE; }, 2500},
      {"deleted", [&] { return CeDeleteFile(L"\\b.bin") != FALSE; }, 0},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_TRUE(step.act());
    STORE_INFORMATION kept = {}, measured = {};
    ASSERT_TRUE(CeGetStoreInformation(&kept));
    EXPECT_EQ(kept.dwFreeSize, 100000u - step.used);
    CeRapiUninit();
    ASSERT_EQ(Connect(device_.Path()), S_OK);
    ASSERT_TRUE(CeGetStoreInformation(&measured));
    EXPECT_EQ(measured.dwFreeSize, kept.dwFreeSize) << "kept figure and disk disagree";
  }
}

TEST_F(EmulatorFiles, BytesGivenBackFitAgainToTheLastByte) {
  ASSERT_TRUE(PutFile(L"\\Card\\a.bin", std::string(20000, 'a')));     // the volume is full
  HANDLE file = Open(L"\\Card\\a.bin", GENERIC_WRITE, CREATE_ALWAYS);  // gives the 20000 bytes back
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string bytes(19999, 'b');
  DWORD written = 0;
  EXPECT_TRUE(CeWriteFile(file, bytes.data(), 19999, &written, nullptr));
  EXPECT_TRUE(CeWriteFile(file, "z", 1, &written, nullptr)) << "the last byte fits";
  EXPECT_FALSE(CeWriteFile(file, "z", 1, &written, nullptr)) << "one byte more does not";
  EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  CeCloseHandle(file);
  ASSERT_TRUE(CeDeleteFile(L"\\Card\\a.bin"));
  EXPECT_TRUE(PutFile(L"\\Card\\b.bin", std::string(20000, 'c'))) << "a delete gives every byte back";
}

// Lower bounds only: a slow machine makes the calls slower still, never faster.
TEST_F(EmulatorFiles, ALinkWithAPaceTakesItsTime) {
  CeRapiUninit();
  WriteIni(std::string(kStandardIni) + "[device]\r\nlink_bytes_per_second=1000000\r\ncall_latency_us=5000\r\n");
  ASSERT_EQ(Connect(device_.Path()), S_OK);
  const ULONGLONG start = GetTickCount64();
  for (int i = 0; i < 20; ++i) CeGetSystemInfo(nullptr);
  const ULONGLONG calls = GetTickCount64() - start;
  EXPECT_GE(calls, 80u) << "20 calls of 5 ms, less what a coarse tick may miss";
  ASSERT_TRUE(PutFile(L"\\paced.bin", std::string(80000, 'p')));  // 80 kB at 1 MB/s, and three calls
  EXPECT_GE(GetTickCount64() - start - calls, 80u);
}

TEST_F(EmulatorFiles, TheLinkDropsAfterTheConfiguredBytes) {
  CeRapiUninit();
  WriteIni(std::string(kStandardIni) + "[device]\r\nfail_after_bytes=5000\r\n");
  ASSERT_EQ(Connect(device_.Path()), S_OK);
  const std::string chunk(4096, 'f');
  HANDLE file = Open(L"\\transfer.bin", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(CeWriteFile(file, chunk.data(), 4096, &written, nullptr));
  EXPECT_FALSE(CeWriteFile(file, chunk.data(), 4096, &written, nullptr)) << "the write that crosses 5000 bytes";
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(CeCloseHandle(file));
  EXPECT_FALSE(CeCreateDirectory(L"\\After", nullptr));
  EXPECT_EQ(CeRapiGetError(), HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(CeGetLastError(), 0u) << "what the handheld said last, when it created the file";
  std::string onDisk;
  ASSERT_TRUE(ReadHostFile(Root(L"\\transfer.bin"), &onDisk));
  EXPECT_EQ(onDisk.size(), 5000u) << "the bytes up to the drop arrived";
  // The next connection starts counting afresh.
  CeRapiUninit();
  ASSERT_EQ(Connect(device_.Path()), S_OK);
  EXPECT_TRUE(PutFile(L"\\again.bin", std::string(4000, 'a')));
}

}  // namespace
}  // namespace emu_test
