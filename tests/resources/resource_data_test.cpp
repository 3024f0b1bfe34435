// The installer's non-dialog resources read back as the program reads them: the licence document, the
// pictures, the icon, the manifest, the version information and the embedded device agent.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include "Controls.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Controls.h"
#include "resource.h"

namespace {

std::string ResourceBytes(LPCWSTR type, int id) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(self, found);
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  return bytes ? std::string(bytes, SizeofResource(self, found)) : std::string();
}

std::string License() { return ResourceBytes(L"Document", IDR_LICENSE); }

// --- Licence (Document 140) ---------------------------------------------------------------------------------

TEST(LicenseDocument, IsAnsiRtfInCourierNewTenPointItalian) {
  std::string rtf = License();
  ASSERT_FALSE(rtf.empty()) << "resource Document 140 not found";
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u) << rtf.substr(0, 40);
  struct {
    const char* what;
    const char* text;
  } const required[] = {{"code page 1252", "\\ansicpg1252"},
                        {"Courier New", "Courier New;"},
                        {"10 points", "\\fs20"},
                        {"Italian default language", "\\deflang1040"},
                        {"Italian language", "\\lang1040"},
                        {"licensor", "Talvenia Software S.r.l."}};
  for (const auto& r : required) EXPECT_NE(rtf.find(r.text), std::string::npos) << r.what;
  // A single font: the table holds \f0 and nothing else.
  EXPECT_EQ(rtf.find("\\f1"), std::string::npos);
}

TEST(LicenseDocument, EndsWithExactlyOneNulAfterBalancedRtf) {
  std::string rtf = License();
  ASSERT_GT(rtf.size(), 2u);
  EXPECT_EQ(rtf.back(), '\0') << "the page hands the bytes over as one NUL-terminated string";
  EXPECT_EQ(rtf.find('\0'), rtf.size() - 1) << "a NUL inside would cut the licence short";
  int depth = 0;
  size_t closedAt = std::string::npos;
  for (size_t i = 0; i + 1 < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;  // an escaped brace or backslash does not count
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}' && --depth == 0) {
      closedAt = i;
      break;
    }
  }
  ASSERT_NE(closedAt, std::string::npos) << "the outer group never closes";
  EXPECT_EQ(rtf.find_first_not_of("\r\n", closedAt + 1), rtf.size() - 1) << "text after the document's end";
}

TEST(LicenseDocument, SizeAndCharacterSet) {
  std::string rtf = License();
  EXPECT_GE(rtf.size(), 6000u);
  EXPECT_LE(rtf.size(), 9000u);
  for (size_t i = 0; i < rtf.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(rtf[i]);
    ASSERT_TRUE(c < 0x80) << "byte 0x" << std::hex << unsigned(c) << " at " << std::dec << i
                          << ": accented letters must be written as \\' escapes";
  }
  EXPECT_NE(rtf.find("\\'e8"), std::string::npos) << "no escaped accented letter at all";
}

// The licence in a Rich Edit 1.0 control, read through the RTF reader: it must come out as Italian text.
// (The RTF reader is reached through EM_STREAMIN; Wine's rich edit takes EM_REPLACESEL text as plain text.)
TEST(LicenseDocument, RichEditReadsItAsItalianText) {
  ASSERT_NE(LoadLibraryW(L"RICHED32.DLL"), nullptr);
  HWND edit = CreateWindowExA(0, "RICHEDIT", "", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0, 400, 300, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  std::string rtf = License();
  CRichEditCtrl rich;
  rich.Attach(edit);
  EXPECT_TRUE(rich.StreamInRtfSelection(rtf.c_str(), strlen(rtf.c_str())));
  rich.Detach();
  int length = GetWindowTextLengthW(edit);
  std::wstring text(length + 1, L'\0');
  GetWindowTextW(edit, &text[0], length + 1);
  text.resize(length);
  DestroyWindow(edit);
  EXPECT_EQ(text.find(L"{\\rtf"), std::wstring::npos) << "the control took the RTF for plain text";
  EXPECT_EQ(text.find(L"CONTRATTO DI LICENZA"), 0u);
  EXPECT_NE(text.find(L"\u00e8 concluso"), std::wstring::npos) << "\\'e8 did not become \u00e8";
  EXPECT_NE(text.find(L"PROPRIET\u00c0 INTELLETTUALE"), std::wstring::npos);
  EXPECT_NE(text.find(L"Talvenia Software S.r.l."), std::wstring::npos);
}

// --- Pictures -----------------------------------------------------------------------------------------------

struct BitmapExpectation {
  int id;
  const char* role;
  int width, height, bitsPerPixel;
};

const BitmapExpectation kBitmaps[] = {
    {IDB_NOT_CONNECTED, "not connected", 192, 48, 24},
    {IDB_CONNECTED, "connected", 192, 48, 24},
    {IDB_STEPS, "step icons", 48, 16, 4},
    {IDB_BANNER_TALVENIA, "banner Talvenia", 640, 64, 24},
    {IDB_BANNER_FENDRO, "banner Fendro", 640, 64, 24},
};

TEST(Pictures, SizesAndColourDepths) {
  for (const auto& e : kBitmaps) {
    SCOPED_TRACE(e.role);
    std::string bytes = ResourceBytes(MAKEINTRESOURCEW(2) /* RT_BITMAP */, e.id);
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER)) << "bitmap " << e.id << " missing";
    BITMAPINFOHEADER header;
    memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(header.biWidth, e.width);
    EXPECT_EQ(header.biHeight, e.height);
    EXPECT_EQ(header.biBitCount, e.bitsPerPixel);
    HBITMAP loaded = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(e.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(loaded, nullptr);
    BITMAP info{};
    GetObjectW(loaded, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, e.width);
    EXPECT_EQ(info.bmHeight, e.height);
    DeleteObject(loaded);
  }
  EXPECT_NE(ResourceBytes(MAKEINTRESOURCEW(2), IDB_BANNER_TALVENIA),
            ResourceBytes(MAKEINTRESOURCEW(2), IDB_BANNER_FENDRO))
      << "both products show the same banner";
}

// The frame builds its image list from the strip with white as the transparent colour.
TEST(Pictures, StepStripMakesThreeIconsOnWhite) {
  HIMAGELIST list = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_STEPS), 16, 1,
                                         RGB(255, 255, 255), IMAGE_BITMAP, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  ImageList_Destroy(list);

  std::string bytes = ResourceBytes(MAKEINTRESOURCEW(2), IDB_STEPS);
  BITMAPINFOHEADER header;
  memcpy(&header, bytes.data(), sizeof header);
  const auto* palette = reinterpret_cast<const RGBQUAD*>(bytes.data() + header.biSize);
  const auto* bits = reinterpret_cast<const unsigned char*>(palette + 16);
  auto pixel = [&](int x, int y) {  // bottom-up rows of 24 bytes (48 pixels at 4 bits)
    unsigned char pair = bits[(15 - y) * 24 + x / 2];
    const RGBQUAD& c = palette[x % 2 ? pair & 0xF : pair >> 4];
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
  };
  for (int cell = 0; cell < 3; ++cell) {
    SCOPED_TRACE("cell " + std::to_string(cell));
    EXPECT_EQ(pixel(cell * 16, 0), RGB(255, 255, 255)) << "corner is not the transparent white";
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) drawn += pixel(cell * 16 + x, y) != RGB(255, 255, 255);
    EXPECT_GT(drawn, 10) << "the cell is empty";
  }
}

// --- Icon 151 -----------------------------------------------------------------------------------------------

TEST(ApplicationIcon, GroupHoldsSixteenThirtyTwoAndFortyEightPixelImages) {
  std::string group = ResourceBytes(MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, IDR_MAINFRAME);
  ASSERT_GE(group.size(), 6u) << "icon group 151 missing";
  const auto* raw = reinterpret_cast<const unsigned char*>(group.data());
  int count = raw[4] | raw[5] << 8;
  ASSERT_EQ(group.size(), 6u + 14u * count);
  bool alpha16 = false, alpha32 = false, alpha48 = false;
  for (int i = 0; i < count; ++i) {
    const unsigned char* e = raw + 6 + 14 * i;
    int size = e[0] ? e[0] : 256, bits = e[6] | e[7] << 8;
    alpha16 |= size == 16 && bits == 32;
    alpha32 |= size == 32 && bits == 32;
    alpha48 |= size == 48 && bits == 32;
  }
  EXPECT_TRUE(alpha16 && alpha32 && alpha48) << "32-bit images of 16, 32 and 48 pixels expected";

  for (int size : {16, 32}) {
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    EXPECT_EQ(colour.bmHeight, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

// --- Manifest and version information -----------------------------------------------------------------------

TEST(Manifest, RunsAsInvokerWithoutUiAccess) {
  std::string manifest = ResourceBytes(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, 1);
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
  EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
  std::wstring path = std::wstring(L"\\StringFileInfo\\041004e4\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value) return L"(missing)";
  return static_cast<const wchar_t*>(value);
}

TEST(VersionInformation, ItalianBlockWithTheProjectVersion) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(self, &handle);
  ASSERT_GT(size, 0u) << "no version resource";
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(self, 0, size, block.data()));

  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(
      VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, sizeof(Translation));
  EXPECT_EQ(translation->language, 0x0410);
  EXPECT_EQ(translation->codePage, 1252);

  EXPECT_EQ(VersionString(block, L"FileDescription"), L"Installatore Talvenia");
  EXPECT_EQ(VersionString(block, L"CompanyName"), L"Talvenia Software S.r.l.");
  EXPECT_EQ(VersionString(block, L"ProductName"), L"Talvenia");
  EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"TalveniaInstaller.exe");

  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(sscanf(TALV_PROJECT_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
  std::wstring product(TALV_PROJECT_VERSION, TALV_PROJECT_VERSION + strlen(TALV_PROJECT_VERSION));
  EXPECT_EQ(VersionString(block, L"ProductVersion"), product);
  EXPECT_EQ(VersionString(block, L"FileVersion"), product + L".0");

  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, patch));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(minor, major));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// --- Device agent (Document 142) ----------------------------------------------------------------------------

#ifdef TALV_AGENT_FILE
std::string ReadHostFile(const char* unixPath) {
  std::string windowsPath = std::string(unixPath[0] == '/' ? "Z:" : "") + unixPath;
  FILE* f = fopen(windowsPath.c_str(), "rb");
  if (!f) return {};
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  fclose(f);
  return data;
}

TEST(DeviceAgent, EmbeddedCopyIsTheBuiltAgent) {
  std::string embedded = ResourceBytes(L"Document", IDR_DEVICE_AGENT);
  ASSERT_FALSE(embedded.empty()) << "resource Document 142 not found";
  EXPECT_EQ(embedded.compare(0, 2, "MZ"), 0) << "not a program image";
  std::string built = ReadHostFile(TALV_AGENT_FILE);
  ASSERT_FALSE(built.empty()) << "cannot read " << TALV_AGENT_FILE;
  EXPECT_TRUE(embedded == built) << "embedded " << embedded.size() << " bytes, built agent " << built.size()
                                 << " bytes: a stale copy";
}
#endif

}  // namespace
