#include "Screenshot.h"

#include <zlib.h>
#include <cstdio>
#include <vector>

namespace ui_test {

namespace {
void PutBigEndian(std::vector<unsigned char>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<unsigned char>(v >> shift));
}

void PutChunk(std::vector<unsigned char>* png, const char* type, const std::vector<unsigned char>& data) {
  PutBigEndian(png, static_cast<uint32_t>(data.size()));
  const size_t start = png->size();
  png->insert(png->end(), type, type + 4);
  png->insert(png->end(), data.begin(), data.end());
  uLong crc = crc32(0L, png->data() + start, static_cast<uInt>(png->size() - start));
  PutBigEndian(png, static_cast<uint32_t>(crc));
}

bool WritePng(const std::wstring& path, int width, int height, const std::vector<unsigned char>& bgra) {
  // One filter byte (none) per row, then RGB.
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const unsigned char* row = bgra.data() + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      raw.push_back(row[x * 4 + 2]);
      raw.push_back(row[x * 4 + 1]);
      raw.push_back(row[x * 4 + 0]);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  PutBigEndian(&header, static_cast<uint32_t>(width));
  PutBigEndian(&header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", packed);
  PutChunk(&png, "IEND", {});

  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f == nullptr) return false;
  bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
  return fclose(f) == 0 && ok;
}
}  // namespace

bool SaveWindowPng(HWND window, const std::wstring& path) {
  RECT rect = {};
  if (!::GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (dib != nullptr) {
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    std::vector<unsigned char> pixels(
        static_cast<const unsigned char*>(bits),
        static_cast<const unsigned char*>(bits) + static_cast<size_t>(width) * height * 4);
    ::SelectObject(memory, old);
    ok = WritePng(path, width, height, pixels);
    ::DeleteObject(dib);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace ui_test
