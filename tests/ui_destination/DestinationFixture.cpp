#include "DestinationFixture.h"

#include <cstring>
#include <ostream>

#include "DlgSubPageBase.h"
#include "resource.h"
#include "latin1_text.h"

namespace destination_test {

using namespace ui_test;

namespace {

const wchar_t kNotesMark[] = L"\x01 waiting for the page";

std::string Latin1(const std::wstring& wide) { return base::Narrow(wide); }

// Reads the state pointer that the frame handed to a page; the pages keep it protected.
struct PageStateAccess : CDlgSubPageBase {
  static InstallerState* Of(HWND page) {
    auto* base = dynamic_cast<CDlgSubPageBase*>(CWnd::FromHandlePermanent(page));
    return base == nullptr ? nullptr : base->*(&PageStateAccess::m_pState);
  }
};

}  // namespace

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
  return out << "{\"" << entry.text << "\", " << entry.hundredths << "}";
}

std::string ReportRecord(const std::u16string& name, double freeMegabytes) {
  std::string record(528, '\x7E');  // filler after the terminator, as a real name field may hold
  for (std::size_t i = 0; i <= name.size(); ++i) {
    const char16_t unit = i < name.size() ? name[i] : 0;
    record[2 * i] = static_cast<char>(unit & 0xFF);
    record[2 * i + 1] = static_cast<char>(unit >> 8);
  }
  uint64_t bits = 0;
  std::memcpy(&bits, &freeMegabytes, sizeof bits);
  for (int i = 0; i < 8; ++i) record[520 + i] = static_cast<char>(bits >> (8 * i));
  return record;
}

std::string DestinationTest::AgentBytes() {
  HRSRC info = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_DEVICE_AGENT), "Document");
  if (info == nullptr) return std::string();
  const void* data = ::LockResource(::LoadResource(nullptr, info));
  return std::string(static_cast<const char*>(data), ::SizeofResource(nullptr, info));
}

void DestinationTest::PutAgentThatDoesNotRun() {
  const std::string agent = AgentBytes();
  device.runPrograms = false;
  device.storeSize += agent.size();
  ApplyDevice();
  PutDeviceFile("\\Windows\\TalveniaGDFS.exe", agent);
}

void DestinationTest::PrepareDevice() { ApplyDevice(); }

void DestinationTest::PutDeviceFile(const std::string& devicePath, const std::string& bytes) {
  ASSERT_TRUE(WriteWholeFile(DevicePath(devicePath), bytes)) << devicePath;
}

void DestinationTest::PutDeviceFolder(const std::string& devicePath) {
  const std::wstring path = DevicePath(devicePath);
  ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) << devicePath;
}

bool DestinationTest::DeviceFileExists(const std::string& devicePath) const {
  return FileExists(DevicePath(devicePath));
}

std::string DestinationTest::DeviceFile(const std::string& devicePath) const {
  std::string bytes;
  return ReadWholeFile(DevicePath(devicePath), &bytes) ? bytes : "<missing>";
}

std::string DestinationTest::ProcessesLog() const {
  std::string bytes;
  return ReadWholeFile(DeviceFolder() + L"\\processes.log", &bytes) ? bytes : std::string();
}

void DestinationTest::PlaceLauncherPackage() { PlacePackage("Talvenia2016.pkg", ArchiveBytes(1, 1, {})); }

bool DestinationTest::StartAtDestination() { return wizard.Start() && ReachStep(kPageDestination); }

std::vector<Entry> DestinationTest::Entries() const {
  std::vector<Entry> entries;
  HWND combo = wizard.PageControl(IDC_DESTINATION);
  const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
    const LRESULT copied = ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    const auto data = static_cast<int32_t>(::SendMessageW(combo, CB_GETITEMDATA, i, 0));
    entries.push_back({Latin1(text), data});
  }
  return entries;
}

int DestinationTest::SelectedIndex() const {
  return static_cast<int>(::SendMessageW(wizard.PageControl(IDC_DESTINATION), CB_GETCURSEL, 0, 0));
}

std::string DestinationTest::SelectedText() const {
  const int index = SelectedIndex();
  const std::vector<Entry> entries = Entries();
  return index >= 0 && index < static_cast<int>(entries.size()) ? entries[index].text : "<none>";
}

std::string DestinationTest::FreeText() const { return TextOf(wizard.PageControl(IDC_FREE_MEMORY)); }
std::string DestinationTest::RequiredText() const { return TextOf(wizard.PageControl(IDC_REQUIRED_MEMORY)); }
std::string DestinationTest::Notes() const { return TextOf(wizard.PageControl(IDC_NOTES)); }

void DestinationTest::MarkNotes() const {
  ::SendMessageW(wizard.PageControl(IDC_NOTES), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kNotesMark));
}

bool DestinationTest::WaitForNotesChange() const {
  const std::string mark = Latin1(kNotesMark);
  return WaitUntil([&] { return Notes() != mark; }, 20000);
}

bool DestinationTest::Select(const std::string& text) {
  HWND combo = wizard.PageControl(IDC_DESTINATION);
  const std::vector<Entry> entries = Entries();
  LRESULT index = -1;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].text == text) index = static_cast<LRESULT>(i);
  if (index < 0) return false;
  MarkNotes();
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // What the list box sends its dialog when the user picks an item.
  ::PostMessageW(wizard.Page(), WM_COMMAND, MAKEWPARAM(IDC_DESTINATION, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  return WaitForNotesChange() && SelectedText() == text;
}

bool DestinationTest::ClickRefresh() const {
  MarkNotes();
  return Click(wizard.PageControl(IDC_REFRESH_DESTINATION));
}

InstallerState* DestinationTest::State() const {
  HWND page = wizard.Page();
  DWORD_PTR ignored = 0;
  // Round trip through the page's thread: whatever it wrote before is visible here.
  if (!::SendMessageTimeoutW(page, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored)) return nullptr;
  return PageStateAccess::Of(page);
}

}  // namespace destination_test
