// CWinApp: the one application object. The program defines a global instance; the framework's entry point
// calls its InitInstance and, when that returns false, goes straight to exit processing.
#pragma once
#include <windows.h>
#include "CmdTarget.h"

class CWnd;

#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(const char* pszAppName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitInstance();
  virtual int ExitInstance();

  // The wait cursor, counted: Begin/End nest; Restore shows it again after something else set the cursor.
  void BeginWaitCursor() { DoWaitCursor(1); }
  void EndWaitCursor() { DoWaitCursor(-1); }
  void RestoreWaitCursor() { DoWaitCursor(0); }
  void DoWaitCursor(int nCode);
  bool IsWaitCursorShown() const { return m_nWaitCursorCount > 0; }

  // The default help handler. The installer ships no help file, so there is nothing to open.
  void OnHelp();

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  const char* m_pszAppName = nullptr;

  DECLARE_MESSAGE_MAP()

 private:
  int m_nWaitCursorCount = 0;
  HCURSOR m_hcurWaitCursorRestore = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The installer hosts no ActiveX controls; the call is kept where a dialog program makes it.
void AfxEnableControlContainer();
// Loads Rich Edit 1.0 (RICHED32.DLL) once for the process, so dialogs can create "RICHEDIT" controls.
BOOL AfxInitRichEdit();
// Registers the common control classes the dialogs use (list view, progress bar); safe to call often.
void AfxInitCommonControls();
int AfxWinMain(HINSTANCE hInstance);
