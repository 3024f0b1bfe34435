// Plays the user through a whole installation with the real TalveniaInstaller.exe, taking one screenshot
// per step: what a newcomer sees, on a machine without a display of its own.
//
//   demo_driver.exe <TalveniaInstaller.exe> <screenshot folder>
#include <windows.h>
#include <cstdio>
#include <string>
#include "PageProbe.h"
#include "Screenshot.h"
#include "UiProbe.h"
#include "WizardMessages.h"
#include "resource.h"

using namespace ui_test;

namespace {

struct Wizard {
  DWORD processId = 0;
  HWND frame = nullptr;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
  auto* wizard = reinterpret_cast<Wizard*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid == wizard->processId && ::IsWindowVisible(window) && TextOf(window) == "Installatore Talvenia") {
    wizard->frame = window;
    return FALSE;
  }
  return TRUE;
}

int Step(const Wizard& w) { return StepOfPage(ShownPage(w.frame)); }

// A page is ready for its screenshot once whatever it does on entry has shown on screen.
bool WaitUntilSettled(const Wizard& w, int step) {
  if (!WaitUntil([&] { return Step(w) == step; }, 30000)) return false;
  HWND page = ShownPage(w.frame);
  switch (step) {
    case kPageConnection:
      WaitUntil([&] { return TextOf(::GetDlgItem(page, IDC_CONNECTION_RESULT)) != "- Risultato"; }, 15000);
      break;
    case kPageDestination: WaitUntil([&] { return !TextOf(::GetDlgItem(page, IDC_NOTES)).empty(); }, 15000); break;
    default: break;
  }
  ::Sleep(500);  // let the page finish painting
  return true;
}

bool Shoot(const Wizard& w, const std::wstring& folder, int step) {
  static const wchar_t* names[] = {L"0-benvenuto", L"1-licenza",       L"2-connessione", L"3-destinazione",
                                   L"4-riepilogo", L"5-installazione", L"6-fine"};
  const std::wstring path = folder + L"\\" + names[step] + L".png";
  bool ok = SaveWindowPng(w.frame, path);
  fwprintf(stdout, L"  step %d: %ls%ls\n", step, path.c_str(), ok ? L"" : L" (screenshot failed)");
  fflush(stdout);
  return ok;
}

bool Fail(const char* what, const Wizard& w) {
  fprintf(stderr, "demo: %s (the wizard shows step %d)\n", what, Step(w));
  for (const MessageBoxSeen& box : OpenMessageBoxes(w.processId, {w.frame}))
    fprintf(stderr, "demo: open %s\n", box.Describe().c_str());
  return false;
}

bool Next(const Wizard& w) { return Click(::GetDlgItem(w.frame, IDC_NEXT)); }

// The first destination that is ready for the package, chosen as a user would; false when none is.
bool ChooseReadyDestination(const Wizard& w) {
  HWND page = ShownPage(w.frame);
  HWND list = ::GetDlgItem(page, IDC_DESTINATION);
  HWND notes = ::GetDlgItem(page, IDC_NOTES);
  const auto ready = [&] { return TextOf(notes).find("pronta per l'installazione") != std::string::npos; };
  const int count = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count && !ready(); ++i) {
    ::SendMessageW(list, CB_SETCURSEL, i, 0);
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_DESTINATION, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  if (ready()) return true;
  fprintf(stderr, "demo: no destination on the handheld is ready for this package: %s\n", TextOf(notes).c_str());
  return false;
}

bool PlayThrough(const Wizard& w, const std::wstring& shots) {
  for (int step = kPageWelcome; step <= kPageReadyToInstall; ++step) {
    if (!WaitUntilSettled(w, step)) return Fail("a step did not show", w);
    if (step == kPageLicense) {
      HWND accept = ::GetDlgItem(ShownPage(w.frame), IDC_ACCEPT);
      Click(accept);
      WaitUntil([&] { return ::SendMessageW(accept, BM_GETCHECK, 0, 0) == BST_CHECKED; });
    }
    if (step == kPageDestination && !ChooseReadyDestination(w)) return Fail("no destination is ready", w);
    Shoot(w, shots, step);
    if (!Next(w)) return Fail("Next could not be pressed", w);
    if (step == kPageReadyToInstall) break;  // "Installa": a box from here on is the installation's
    if (auto box = WaitForMessageBox(w.processId, {w.frame}, 300)) {
      fprintf(stderr, "demo: the wizard refused to go on: %s\n", box->Describe().c_str());
      return false;
    }
  }
  // The installation runs; a free-standing install announces the program it starts.
  if (!WaitUntil([&] { return Step(w) == kPageInstallation; }, 30000)) return Fail("no installation step", w);
  bool shotDuringInstall = false;
  const bool ended = WaitUntil(
      [&] {
        if (Step(w) == kPageEndInstall || Step(w) == kPageDestination) return true;
        if (auto box = WaitForMessageBox(w.processId, {w.frame}, 50)) {
          if (!shotDuringInstall) shotDuringInstall = Shoot(w, shots, kPageInstallation);
          fprintf(stdout, "  %s -> OK\n", box->Describe().c_str());
          Answer(*box, IDOK);
        }
        return false;
      },
      3600000);  // a vendor's package may be large
  if (!ended || Step(w) != kPageEndInstall) return Fail("the installation did not complete", w);
  if (!shotDuringInstall) Shoot(w, shots, kPageInstallation);
  WaitUntilSettled(w, kPageEndInstall);
  Shoot(w, shots, kPageEndInstall);
  return Next(w) || Fail("Fine could not be pressed", w);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: demo_driver <TalveniaInstaller.exe> <screenshot folder>\n");
    return 2;
  }
  ::CreateDirectoryW(argv[2], nullptr);
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    fprintf(stderr, "demo: cannot start the installer (error %lu)\n", ::GetLastError());
    return 1;
  }
  Wizard w;
  w.processId = process.dwProcessId;
  bool ok = WaitUntil(
      [&] {
        ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&w));
        return w.frame != nullptr;
      },
      30000);
  ok = ok && PlayThrough(w, argv[2]);
  if (!ok) ::PostMessageW(w.frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  if (::WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    fprintf(stderr, "demo: the installer did not end\n");
    ::TerminateProcess(process.hProcess, 1);
    ok = false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return ok ? 0 : 1;
}
