// Draws the wizard frame with each page in its page area and saves every picture as a BMP file, so that the
// layout, the wrapping of the Italian texts and the fonts can be looked at by eye:
//   talv_dialog_screenshots.exe <output folder>
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resource.h"

namespace {

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

void PumpFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

bool SaveWindow(HWND hwnd, const std::string& path) {
  RECT r;
  GetWindowRect(hwnd, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  DWORD imageSize = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader + imageSize), 0, 0,
                        static_cast<DWORD>(sizeof file + sizeof info.bmiHeader)};
  info.bmiHeader.biSizeImage = imageSize;
  bool ok = false;
  if (FILE* f = fopen(path.c_str(), "wb")) {
    ok = fwrite(&file, sizeof file, 1, f) == 1 && fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 &&
         fwrite(bits, imageSize, 1, f) == 1;
    fclose(f);
  }
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// The step list as the frame fills it, so the step icons are seen in place.
void FillStepList(HWND frame, int current) {
  HWND list = GetDlgItem(frame, IDC_STEPS);
  HIMAGELIST images = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_STEPS), 16, 1,
                                           RGB(255, 255, 255), IMAGE_BITMAP, 0);
  ListView_SetImageList(list, images, LVSIL_SMALL);
  ListView_SetBkColor(list, RGB(255, 255, 255));
  const wchar_t* steps[] = {L"Benvenuto",    L"Licenza",       L"Connessione",       L"Destinazione",
                            L"Riepilogo",    L"Installazione", L"Fine installazione"};
  RECT client;
  GetClientRect(list, &client);
  for (int i = 0; i < 7; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(steps[i]);
    item.iImage = i <= current ? 2 : 1;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  for (int i = 0; i < 7; ++i) {
    POINT p;
    ListView_GetItemPosition(list, i, &p);
    POINT moved{p.x + 10, i * (client.bottom / 7) + 10};
    SendMessageW(list, LVM_SETITEMPOSITION32, i, reinterpret_cast<LPARAM>(&moved));
  }
}

struct ByteSource {
  const char* next;
  size_t left;
};

DWORD CALLBACK FeedBytes(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* written) {
  auto* source = reinterpret_cast<ByteSource*>(cookie);
  size_t n = source->left < static_cast<size_t>(capacity) ? source->left : static_cast<size_t>(capacity);
  memcpy(buffer, source->next, n);
  source->next += n;
  source->left -= n;
  *written = static_cast<LONG>(n);
  return 0;
}

std::string LicenseText() {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_LICENSE), L"Document");
  return found ? static_cast<const char*>(LockResource(LoadResource(self, found))) : "";
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : ".";
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  LoadLibraryW(L"RICHED32.DLL");
  HINSTANCE self = GetModuleHandleW(nullptr);

  const int pages[] = {IDD_PAGE_WELCOME, IDD_PAGE_LICENSE, IDD_PAGE_CONNECTION, IDD_PAGE_DESTINATION,
                       IDD_PAGE_READY,   IDD_PAGE_INSTALLATION, IDD_PAGE_END};
  int failures = 0;
  for (int index = 0; index < 7; ++index) {
    HWND frame = CreateDialogParamW(self, MAKEINTRESOURCEW(IDD_WIZARD_INSTALLER), nullptr, PassiveDialogProc, 0);
    if (index % 2) {  // the other product's banner on every other picture
      HBITMAP banner = LoadBitmapW(self, MAKEINTRESOURCEW(IDB_BANNER_FENDRO));
      SendDlgItemMessageW(frame, IDC_HEADER, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner));
    }
    FillStepList(frame, index);
    HWND page = CreateDialogParamW(self, MAKEINTRESOURCEW(pages[index]), frame, PassiveDialogProc, 0);
    RECT area;
    GetWindowRect(GetDlgItem(frame, IDC_PAGE_AREA), &area);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&area), 2);
    MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    if (pages[index] == IDD_PAGE_LICENSE) {
      // Through the RTF reader: Wine's rich edit shows EM_REPLACESEL text as it is, codes and all.
      std::string rtf = LicenseText();
      ByteSource source{rtf.c_str(), rtf.size()};
      EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, FeedBytes};
      SendDlgItemMessageA(page, IDC_LICENSE_TEXT, EM_STREAMIN, SF_RTF | SFF_SELECTION,
                          reinterpret_cast<LPARAM>(&stream));
      SendDlgItemMessageA(page, IDC_LICENSE_TEXT, EM_SETSEL, 0, 0);
      SendDlgItemMessageA(page, IDC_LICENSE_TEXT, EM_SCROLLCARET, 0, 0);
    }
    if (pages[index] == IDD_PAGE_INSTALLATION) {
      SetDlgItemTextW(page, IDC_LOG, L"Copia di Talvenia.exe\r\nCopia di rome.map\r\n");
      SendDlgItemMessageW(page, IDC_PROGRESS, PBM_SETPOS, 40, 0);
    }
    if (pages[index] == IDD_PAGE_DESTINATION) {
      SendDlgItemMessageW(page, IDC_DESTINATION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"\\Storage Card\\"));
      SendDlgItemMessageW(page, IDC_DESTINATION, CB_SETCURSEL, 0, 0);
      SetDlgItemTextW(page, IDC_FREE_MEMORY, L"12.50 Mb liberi");
      SetDlgItemTextW(page, IDC_REQUIRED_MEMORY, L"10.00 Mb neccessari");
      SetDlgItemTextW(page, IDC_NOTES, L"Destinazione selezionata pronta per l'installazione\r\n");
    }
    SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ShowWindow(page, SW_SHOW);
    PumpFor(400);
    std::string path = folder + "\\dialog_" + std::to_string(pages[index]) + ".bmp";
    if (!SaveWindow(frame, path)) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      ++failures;
    }
    DestroyWindow(frame);
  }
  return failures == 0 ? 0 : 1;
}
