// The reference programs the benchmark runs beside the installer, built with the same toolchain and run under
// Wine too, so that each ratio compares like with like.
//
//   bench_reference copyinflate PACKAGE FOLDER   copy the package into FOLDER with CopyFile, inflate the copy
//   bench_reference inflate PACKAGE ARCHIVE      inflate file to file, zlib alone
//   bench_reference copy ARCHIVE FOLDER          write every entry of a decompressed archive below FOLDER
//                                                through 4 KiB WriteFile calls
//   bench_reference deflate INPUT OUTPUT LEVEL   deflate file to file at LEVEL
//   bench_reference window                       show a small window of its own at once, then end
//
// Each prints "ms=<milliseconds of its own work>" (process start-up excluded); the exit code is 0 on success.
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "archive_reader.h"
#include "unique_handle_win.h"

namespace {

constexpr unsigned kChunk = 16384;
constexpr wchar_t kReferenceWindowClass[] = L"TalveniaBench.Reference";

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// zlib alone, 16 KiB buffers, as the installer's decompression but without any of its checks.
bool Inflate(const wchar_t* from, const wchar_t* to) {
  base::UniqueFile in(_wfopen(from, L"rb")), out(_wfopen(to, L"wb"));
  if (!in.IsValid() || !out.IsValid()) return false;
  // The same large stream buffers as the installer's, so that zlib alone is at its best.
  setvbuf(in.Get(), nullptr, _IOFBF, 1 << 18);
  setvbuf(out.Get(), nullptr, _IOFBF, 1 << 18);
  z_stream stream = {};
  if (inflateInit(&stream) != Z_OK) return false;
  unsigned char input[kChunk], output[kChunk];
  int ret = Z_OK;
  while (ret != Z_STREAM_END) {
    stream.avail_in = static_cast<uInt>(fread(input, 1, kChunk, in.Get()));
    if (stream.avail_in == 0) break;
    stream.next_in = input;
    do {
      stream.avail_out = kChunk;
      stream.next_out = output;
      ret = inflate(&stream, Z_NO_FLUSH);
      if (ret != Z_OK && ret != Z_STREAM_END) break;
      fwrite(output, 1, kChunk - stream.avail_out, out.Get());
    } while (stream.avail_out == 0);
  }
  inflateEnd(&stream);
  return ret == Z_STREAM_END && out.Close();
}

bool Deflate(const wchar_t* from, const wchar_t* to, int level) {
  base::UniqueFile in(_wfopen(from, L"rb")), out(_wfopen(to, L"wb"));
  if (!in.IsValid() || !out.IsValid()) return false;
  z_stream stream = {};
  if (deflateInit(&stream, level) != Z_OK) return false;
  unsigned char input[kChunk], output[kChunk];
  int flush = Z_NO_FLUSH;
  do {
    stream.avail_in = static_cast<uInt>(fread(input, 1, kChunk, in.Get()));
    stream.next_in = input;
    flush = feof(in.Get()) ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.avail_out = kChunk;
      stream.next_out = output;
      deflate(&stream, flush);
      fwrite(output, 1, kChunk - stream.avail_out, out.Get());
    } while (stream.avail_out == 0);
  } while (flush != Z_FINISH);
  deflateEnd(&stream);
  return out.Close();
}

// A plain copy of every tagged entry: one CreateFile, 4 KiB WriteFile calls and a CloseHandle per file, each
// folder level created once, as little as a copy of the same entries can do.
bool CopyEntries(const wchar_t* archivePath, const std::wstring& folder) {
  base::UniqueFile archive(_wfopen(archivePath, L"rb"));
  if (!archive.IsValid()) return false;
  setvbuf(archive.Get(), nullptr, _IOFBF, 1 << 16);
  talv::PackageArchiveReader reader(archive.Get());
  if (!reader.ReadHeader()) return false;
  std::set<std::string> made;
  unsigned char buffer[4096];
  for (int i = 0; i < reader.EntryCount(); ++i) {
    talv::ArchiveEntry entry;
    if (!reader.ReadEntry(&entry)) return false;
    const talv::EntryPlan plan = talv::PlanEntry(entry, talv::ArchiveBases{"\\P\\", "\\D\\", "\\W\\", "\\H\\"});
    if (!plan.tagged) {
      if (!reader.SkipData(entry)) return false;
      continue;
    }
    for (const std::string& level : plan.folderLevels)
      if (made.insert(level).second)
        CreateDirectoryW((folder + std::wstring(level.begin(), level.end())).c_str(), nullptr);
    const std::wstring path = folder + std::wstring(plan.devicePath.begin(), plan.devicePath.end());
    base::UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    for (uint32_t left = entry.dataSize; left > 0;) {
      const uint32_t chunk = left < sizeof buffer ? left : static_cast<uint32_t>(sizeof buffer);
      DWORD written = 0;
      if (fread(buffer, 1, chunk, archive.Get()) != chunk || !WriteFile(file.Get(), buffer, chunk, &written, nullptr))
        return false;
      left -= chunk;
    }
    if (!reader.DataConsumed(entry)) return false;
  }
  return true;
}

// The least a program can do to put something on screen: register a class, show a window, paint it once.
bool ShowWindowBriefly() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kReferenceWindowClass;
  if (RegisterClassW(&windowClass) == 0) return false;
  HWND window = CreateWindowExW(0, kReferenceWindowClass, L"Riferimento", WS_POPUP | WS_CAPTION | WS_BORDER, 100, 100,
                                380, 130, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return false;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  // On screen long enough for the driver to see it.
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 300;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(5);
  }
  return DestroyWindow(window) != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 && !(argc == 2 && std::wstring(argv[1]) == L"window")) {
    fprintf(stderr, "usage: bench_reference copyinflate|inflate|copy|deflate|window ...\n");
    return 2;
  }
  const std::wstring command = argv[1];
  const double start = NowMs();
  bool ok = false;
  if (command == L"copyinflate") {
    const std::wstring folder = std::wstring(argv[3]) + L"\\";
    const std::wstring copy = folder + L"copy.zip";
    ok = CopyFileW(argv[2], copy.c_str(), FALSE) && Inflate(copy.c_str(), (folder + L"copy.pkg").c_str());
  } else if (command == L"inflate") {
    ok = Inflate(argv[2], argv[3]);
  } else if (command == L"copy") {
    const std::wstring folder = argv[3];
    for (const wchar_t* base : {L"\\P", L"\\D", L"\\W", L"\\H"}) CreateDirectoryW((folder + base).c_str(), nullptr);
    ok = CopyEntries(argv[2], folder);
  } else if (command == L"deflate" && argc == 5) {
    ok = Deflate(argv[2], argv[3], _wtoi(argv[4]));
  } else if (command == L"window") {
    ok = ShowWindowBriefly();
  }
  printf("ms=%.1f\n", NowMs() - start);
  return ok ? 0 : 1;
}
