#include "InstallerProcess.h"

#include <commctrl.h>
#include <vector>
#include "PageProbe.h"
#include "resource.h"

namespace e2e_test {

namespace {

struct FrameSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<FrameSearch*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && ui_test::ClassOf(window) == "#32770" &&
      ui_test::TextOf(window) == "Installatore Talvenia" && ::IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The environment of this process with the given variables replaced, as CreateProcessW wants it.
std::wstring EnvironmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& overrides) {
  std::wstring block;
  wchar_t* env = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = env; *entry != L'\0'; entry += wcslen(entry) + 1) {
    std::wstring line(entry);
    bool replaced = false;
    for (const auto& o : overrides)
      if (_wcsnicmp(line.c_str(), (o.first + L"=").c_str(), o.first.size() + 1) == 0) replaced = true;
    if (!replaced) block += line + L'\0';
  }
  ::FreeEnvironmentStringsW(env);
  for (const auto& o : overrides) block += o.first + L"=" + o.second + L'\0';
  block += L'\0';
  return block;
}

}  // namespace

int InstallerProcess::StepListImage(int item) const {
  // The item record must live in the installer's memory for the list view to fill it.
  void* remote = ::VirtualAllocEx(m_process.hProcess, nullptr, sizeof(LVITEMW), MEM_COMMIT, PAGE_READWRITE);
  if (remote == nullptr) return -1;
  LVITEMW lv = {};
  lv.mask = LVIF_IMAGE;
  lv.iItem = item;
  int image = -1;
  DWORD_PTR ok = 0;
  if (::WriteProcessMemory(m_process.hProcess, remote, &lv, sizeof lv, nullptr) &&
      ::SendMessageTimeoutW(FrameControl(1012), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000,
                            &ok) &&
      ok && ::ReadProcessMemory(m_process.hProcess, remote, &lv, sizeof lv, nullptr))
    image = lv.iImage;
  ::VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
  return image;
}

InstallerProcess::~InstallerProcess() {
  if (m_process.hProcess != nullptr) {
    if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_process.hProcess, 1);
    ::CloseHandle(m_process.hProcess);
    ::CloseHandle(m_process.hThread);
  }
}

bool InstallerProcess::Start(const std::wstring& programPath, const std::wstring& tempFolder,
                             const std::wstring& deviceFolder) {
  if (!Launch(programPath, tempFolder, deviceFolder)) return false;
  FrameSearch search = {m_process.dwProcessId, nullptr};
  bool shown = ui_test::WaitUntil(
      [&] {
        if (search.found == nullptr) ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      30000);
  m_frame = search.found;
  return shown && WaitForStep(kPageWelcome);
}

bool InstallerProcess::WizardShown() const {
  FrameSearch search = {m_process.dwProcessId, nullptr};
  ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr;
}

HWND InstallerProcess::WaitForPreparationWindow(DWORD timeoutMs) const {
  HWND found = nullptr;
  ui_test::WaitUntil(
      [&] {
        for (HWND w = ::FindWindowW(L"TalveniaInstaller.Preparation", nullptr); w != nullptr && found == nullptr;
             w = ::FindWindowExW(nullptr, w, L"TalveniaInstaller.Preparation", nullptr)) {
          DWORD owner = 0;
          ::GetWindowThreadProcessId(w, &owner);
          if (owner == m_process.dwProcessId && ::IsWindowVisible(w)) found = w;
        }
        return found != nullptr;
      },
      timeoutMs, 5);
  return found;
}

bool InstallerProcess::Launch(const std::wstring& programPath, const std::wstring& tempFolder,
                              const std::wstring& deviceFolder) {
  std::vector<std::pair<std::wstring, std::wstring>> variables = {
      {L"TMP", tempFolder}, {L"TEMP", tempFolder}, {L"RAPI_EMULATOR_DEVICE", deviceFolder}};
  variables.insert(variables.end(), m_variables.begin(), m_variables.end());
  std::wstring environment = EnvironmentWith(variables);
  std::wstring commandLine = L"\"" + programPath + L"\"";
  const std::wstring folder = programPath.substr(0, programPath.find_last_of(L'\\'));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!::CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), folder.c_str(), &startup, &m_process))
    return false;
  return true;
}

HWND InstallerProcess::Page() const {
  for (HWND child = ::GetWindow(m_frame, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    if (ui_test::ClassOf(child) == "#32770" && ::IsWindowVisible(child)) return child;
  return nullptr;
}

int InstallerProcess::Step() const { return ui_test::StepOfPage(Page()); }

bool InstallerProcess::WaitForStep(int step, DWORD timeoutMs) const {
  // The step list is brought up to date once the page has been entered: then the switch is over.
  return ui_test::WaitUntil(
      [&] {
        if (Step() != step) return false;
        for (int i = 0; i < 7; ++i)
          if (StepListImage(i) != (i <= step ? 2 : 1)) return false;
        return true;
      },
      timeoutMs);
}

std::optional<ui_test::MessageBoxSeen> InstallerProcess::WaitForMessageBox(DWORD timeoutMs) const {
  return ui_test::WaitForMessageBox(m_process.dwProcessId, {m_frame}, timeoutMs);
}

// Entering the destination step deploys and runs the agent, which takes its time on a machine that runs both
// test suites and a build on two cores: a generous wait for each step.
constexpr int kStepTimeoutMs = 90000;

bool InstallerProcess::WalkTo(int step) {
  for (int shown = Step(); shown < step && shown < kPageReadyToInstall; shown = Step()) {
    if (shown == kPageLicense && ::SendMessageW(PageControl(IDC_ACCEPT), BM_GETCHECK, 0, 0) != 1) {
      if (!ui_test::Click(PageControl(IDC_ACCEPT)) ||
          !ui_test::WaitUntil([&] { return ::SendMessageW(PageControl(IDC_ACCEPT), BM_GETCHECK, 0, 0) == 1; }))
        return false;
    }
    if (!ui_test::Click(FrameControl(IDC_NEXT))) return false;
    bool answered = false;
    const bool moved = ui_test::WaitUntil(
        [&] {
          if (Step() == shown + 1) return WaitForStep(shown + 1, 0);
          if (answered || shown != kPageDestination) return false;
          const std::optional<ui_test::MessageBoxSeen> box = WaitForMessageBox(0);
          if (box && box->text == "La directory selezionata esiste gi\xE0. Sovrascriverla?")
            answered = ui_test::Answer(*box, IDYES);
          return false;
        },
        kStepTimeoutMs);
    if (!moved) return false;
  }
  return Step() == step;
}

bool InstallerProcess::SendToFrame(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer) const {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(m_frame, message, wParam, lParam, SMTO_NORMAL, 10000, &result)) return false;
  if (answer != nullptr) *answer = static_cast<LRESULT>(result);
  return true;
}

void InstallerProcess::Kill() {
  ::TerminateProcess(m_process.hProcess, 1);
  ::WaitForSingleObject(m_process.hProcess, 30000);
}

bool InstallerProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (::WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) ::GetExitCodeProcess(m_process.hProcess, exitCode);
  return true;
}

}  // namespace e2e_test
