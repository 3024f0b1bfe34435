// What the user sees between starting the program and its wizard: for a package that takes long to prepare,
// the program's own small window with the product, the words and a moving bar, gone once the wizard is on
// screen; for a quick one, nothing but the wizard. The wizard then shows its welcome page and banner as ever.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include "ProgramStartFixture.h"
#include "resource.h"

using namespace app_start_test;

namespace {

constexpr wchar_t kPreparationClass[] = L"TalveniaInstaller.Preparation";
constexpr char kPreparing[] = "Preparazione dell'installazione in corso...";

double NowMs() { return static_cast<double>(::GetTickCount64()); }

HWND WindowOf(const Program& program, const wchar_t* windowClass, const wchar_t* caption) {
  for (HWND w = ::FindWindowExW(nullptr, nullptr, windowClass, caption); w != nullptr;
       w = ::FindWindowExW(nullptr, w, windowClass, caption)) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == program.Id() && ::IsWindowVisible(w)) return w;
  }
  return nullptr;
}

HWND PreparationWindowOf(const Program& program) { return WindowOf(program, kPreparationClass, nullptr); }

// What the program showed from its start until its wizard, sampled every few milliseconds.
struct StartSeen {
  bool preparationShown = false;
  std::string caption;
  std::string product;  // the first line, once it named the product
  std::string words;
  int barHigh = 0;
  int barFurthest = 0;
  double preparationGoneMs = -1;  // times since the program started
  double wizardShownMs = -1;
};

// Its texts and bar: each read waits for the program's thread, which looks at its messages only between blocks.
void Sample(HWND preparation, StartSeen* seen) {
  if (const std::string caption = TextOf(preparation); !caption.empty()) seen->caption = caption;
  int statics = 0;
  for (HWND child = ::GetWindow(preparation, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const std::string kind = ClassOf(child);
    if (kind == "msctls_progress32") {
      seen->barHigh = std::max(seen->barHigh, static_cast<int>(::SendMessageW(child, PBM_GETRANGE, FALSE, 0)));
      seen->barFurthest = std::max(seen->barFurthest, static_cast<int>(::SendMessageW(child, PBM_GETPOS, 0, 0)));
    } else if (kind == "Static") {
      const std::string text = TextOf(child);
      if (text.empty()) {
        ++statics;
      } else {
        (statics++ == 0 ? seen->product : seen->words) = text;
      }
    }
  }
}

StartSeen WatchStart(const Program& program, double startMs, DWORD timeoutMs) {
  StartSeen seen;
  HWND preparation = nullptr;
  double sampled = -1000;
  WaitUntil(
      [&] {
        // The windows' visibility is read without waiting for the program; their texts now and then only.
        const double now = NowMs() - startMs;
        if (seen.wizardShownMs < 0 &&
            WindowOf(program, reinterpret_cast<LPCWSTR>(WC_DIALOG), L"Installatore Talvenia") != nullptr)
          seen.wizardShownMs = now;
        if (HWND shown = PreparationWindowOf(program); shown != nullptr) {
          seen.preparationShown = true;
          preparation = shown;
          if (now - sampled >= 150) {
            Sample(shown, &seen);
            sampled = NowMs() - startMs;
          }
        } else if (preparation != nullptr && seen.preparationGoneMs < 0) {
          seen.preparationGoneMs = now;
        }
        // Watched a little past the wizard's showing: the preparation's window must be gone by then.
        return seen.wizardShownMs >= 0 && now > seen.wizardShownMs + 1500;
      },
      timeoutMs, 5);
  return seen;
}

class PreparationWindowTest : public ProgramStartTest {
 protected:
  void PlaceZerosPackage(uint32_t dataBytes) {
    ::DeleteFileW((m_release + L"\\Fendro_base.pkg").c_str());
    ASSERT_TRUE(WriteZerosPackage(m_release + L"\\Talvenia2016_full.pkg", 1, dataBytes));
  }
};

struct PreparationCase {
  const char* label;
  uint32_t zeroBytes;  // 0: the fixture's small package
  bool shown;
};

TEST_F(PreparationWindowTest, ShownOnlyWhilePreparationTakesLongAndGoneWithTheWizard) {
  const PreparationCase cases[] = {
      {"a small package", 0, false},
      {"1.5 GiB of zeros", 3u << 29, true},
  };
  for (const PreparationCase& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.zeroBytes > 0) PlaceZerosPackage(c.zeroBytes);
    Program program;
    const double start = NowMs();
    ASSERT_TRUE(program.Start(Exe(), L""));
    const StartSeen seen = WatchStart(program, start, 120000);
    ASSERT_GE(seen.wizardShownMs, 0) << "the wizard did not show";
    EXPECT_EQ(seen.preparationShown, c.shown);
    if (c.shown) {
      EXPECT_EQ(seen.caption, "Installatore");
      EXPECT_EQ(seen.product, "Talvenia");
      EXPECT_EQ(seen.words, kPreparing);
      EXPECT_GT(seen.barHigh, 0);
      EXPECT_GT(seen.barFurthest, 0) << "the bar never moved";
      EXPECT_GE(seen.preparationGoneMs, 0) << "still on screen beside the wizard";
      // It stays until the wizard is there, and goes as the wizard shows (a few samples' leeway).
      EXPECT_GE(seen.preparationGoneMs + 50, seen.wizardShownMs);
      // (A busy machine may take a moment to run the wizard's first messages.)
      EXPECT_LE(seen.preparationGoneMs, seen.wizardShownMs + 1000);
    }
    HWND frame = program.FindFrame();
    ASSERT_NE(frame, nullptr) << "no welcome page";
    EXPECT_NE(::SendMessageW(::GetDlgItem(frame, IDC_HEADER), STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no banner";
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(program.WaitForExit(30000));
  }
}

TEST_F(PreparationWindowTest, ASecondCopyBringsThePreparationToTheFront) {
  PlaceZerosPackage(2u << 30);  // 2 GiB of archive: seconds of preparation
  Program first;
  ASSERT_TRUE(first.Start(Exe(), L""));
  HWND preparation = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (preparation = PreparationWindowOf(first)) != nullptr; }, 20000, 5));

  Program second;
  ASSERT_TRUE(second.Start(Exe(), L""));
  auto box = WaitForMessageBox(second.Id(), {}, 20000);
  ASSERT_TRUE(box.has_value()) << "the second copy said nothing";
  EXPECT_EQ(box->text, "L'installazione \xE8 gi\xE0 in corso in un'altra finestra.");
  // The box stands over the window it brings up; the wizard, which exists but is not yet on screen, would
  // leave the message over nothing the user can see. (Which window Wine makes the foreground one afterwards
  // depends on when the busy thread handles its activation, and is not checked.)
  EXPECT_EQ(::GetWindow(box->window, GW_OWNER), preparation) << "the message is not over the preparing window";
  ASSERT_TRUE(Answer(*box, IDOK));
  ASSERT_TRUE(second.WaitForExit(15000));

  HWND frame = first.FindFrame();
  ASSERT_NE(frame, nullptr);
  ::PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(first.WaitForExit(30000));
}

}  // namespace
