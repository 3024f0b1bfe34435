#include "WizardDriver.h"

#include <memory>
#include "DlgWizardInstaller.h"
#include "resource.h"

// The wizard expects an application object, as in the program (wait cursor, command routing).
CWinApp g_testApplication;

namespace ui_test {

namespace {

BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
  if (ClassOf(window) == "#32770" && TextOf(window) == "Installatore Talvenia" && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

DWORD WINAPI WizardSession::ThreadMain(void* param) {
  auto* self = static_cast<WizardSession*>(param);
  if (self->onUiThread) self->onUiThread();
  {
    CDlgWizardInstaller dlg(nullptr);
    g_testApplication.m_pMainWnd = &dlg;
    self->m_result = dlg.DoModal();
  }
  self->m_done = true;
  return 0;
}

bool WizardSession::Start(DWORD timeoutMs) {
  m_done = false;
  m_frame = nullptr;
  m_thread = ::CreateThread(nullptr, 0, ThreadMain, this, 0, &m_threadId);
  if (m_thread == nullptr) return false;
  const bool started = WaitUntil(
      [&] {
        if (m_frame == nullptr) ::EnumThreadWindows(m_threadId, FindFrame, reinterpret_cast<LPARAM>(&m_frame));
        return m_frame != nullptr && Step() == kPageWelcome;
      },
      timeoutMs);
  if (!started) ADD_FAILURE() << "the wizard did not show its welcome page; " << DescribeScreen();
  return started;
}

std::string WizardSession::DescribeScreen() const {
  std::string out = m_done ? "the wizard has ended; " : "";
  out += "frame " + std::string(m_frame != nullptr ? "found" : "not found");
  if (m_frame != nullptr) out += ", page step " + std::to_string(Step());
  for (const MessageBoxSeen& box : OpenMessageBoxes(::GetCurrentProcessId(), {m_frame})) out += "; " + box.Describe();
  return out;
}

HWND WizardSession::Page() const { return ShownPage(m_frame); }

bool WizardSession::StepListShows(int step) const {
  HWND list = FrameControl(IDC_STEPS);
  for (int i = 0; i < kPageCount; ++i)
    if (ListViewItemImage(list, i) != (i <= step ? 2 : 1)) return false;
  return true;
}

bool WizardSession::WaitForStep(int step, DWORD timeoutMs) const {
  // The step list is brought up to date last, once the page has been entered: then the switch is over.
  return WaitUntil([&] { return Step() == step && StepListShows(step); }, timeoutMs);
}

std::optional<MessageBoxSeen> WizardSession::WaitForMessageBox(DWORD timeoutMs) const {
  return ui_test::WaitForMessageBox(::GetCurrentProcessId(), {m_frame}, timeoutMs);
}

bool WizardSession::NoMessageBoxWithin(DWORD ms) const { return !WaitForMessageBox(ms).has_value(); }

bool WizardSession::WaitForEnd(DWORD timeoutMs, INT_PTR* result) {
  if (m_thread == nullptr) return false;
  if (::WaitForSingleObject(m_thread, timeoutMs) != WAIT_OBJECT_0) return false;
  ::CloseHandle(m_thread);
  m_thread = nullptr;
  m_frame = nullptr;
  if (result != nullptr) *result = m_result.load();
  return true;
}

void WizardSession::Close() {
  if (m_thread == nullptr) return;
  const DWORD start = ::GetTickCount();
  while (::WaitForSingleObject(m_thread, 50) == WAIT_TIMEOUT) {
    if (::GetTickCount() - start > 60000) {
      ADD_FAILURE() << "the wizard did not end";
      return;  // the thread is left behind rather than killed mid-way
    }
    // Open questions get "No" (so an installation is not interrupted twice), notices get "OK".
    for (const MessageBoxSeen& box : OpenMessageBoxes(::GetCurrentProcessId(), {m_frame}))
      for (int id : {IDNO, IDOK, IDCANCEL})
        if (HWND button = ::GetDlgItem(box.window, id); button != nullptr) {
          ::PostMessageW(button, BM_CLICK, 0, 0);
          break;
        }
    if (m_frame != nullptr && ::IsWindow(m_frame) && OpenMessageBoxes(::GetCurrentProcessId(), {m_frame}).empty())
      ::PostMessageW(m_frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::Sleep(100);
  }
  ::CloseHandle(m_thread);
  m_thread = nullptr;
  m_frame = nullptr;
}

void WizardTest::SetUp() {
  m_temp = std::make_unique<ScratchFolder>(L"talv-ui");
  const std::wstring temp = m_temp->Path() + L"\\temp\\";
  ::CreateDirectoryW(temp.c_str(), nullptr);
  ::SetEnvironmentVariableW(L"TMP", temp.c_str());
  ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
  m_deviceFolder = m_temp->Path() + L"\\device";
  ::SetEnvironmentVariableW(L"RAPI_EMULATOR_DEVICE", m_deviceFolder.c_str());
  RemovePackages();
}

void WizardTest::TearDown() {
  wizard.Close();
  RemovePackages();
  m_temp.reset();
}

bool WizardTest::StartWizard() {
  ApplyDevice();
  return wizard.Start();
}

void WizardTest::ApplyDevice() { ASSERT_TRUE(WriteDevice(m_deviceFolder, device)); }

void WizardTest::PlacePackage(const std::string& fileName, const std::string& archiveBytes) {
  std::wstring name(fileName.begin(), fileName.end());
  ASSERT_TRUE(WritePackage(TestProgramFolder() + L"\\" + name, archiveBytes));
}

void WizardTest::RemovePackages() {
  const std::wstring folder = TestProgramFolder();
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*.pkg").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    ::DeleteFileW((folder + L"\\" + data.cFileName).c_str());
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

bool WizardTest::AcceptLicenceAndPressNext() {
  HWND accept = wizard.PageControl(IDC_ACCEPT);
  if (!Click(accept) || !WaitUntil([&] { return ::SendMessageW(accept, BM_GETCHECK, 0, 0) == BST_CHECKED; }))
    return false;
  return wizard.ClickNext() && WaitUntil([&] { return wizard.Step() == kPageConnection; });
}

bool WizardTest::ReachStep(int step) {
  while (wizard.Step() < step) {
    const int from = wizard.Step();
    if (from < 0) return false;
    if (from == kPageLicense) {
      HWND accept = wizard.PageControl(IDC_ACCEPT);
      if (::SendMessageW(accept, BM_GETCHECK, 0, 0) != BST_CHECKED && !Click(accept)) return false;
      if (!WaitUntil([&] { return ::SendMessageW(accept, BM_GETCHECK, 0, 0) == BST_CHECKED; })) return false;
    }
    if (!wizard.ClickNext() || !wizard.WaitForStep(from + 1)) return false;
  }
  return wizard.Step() == step;
}

}  // namespace ui_test
