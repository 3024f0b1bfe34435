// CDialog: a dialog from a numbered template, modal (DoModal, with a message loop of its own that lets the
// focused window and its parents pre-translate each message) or modeless (Create, used for child pages).
#pragma once
#include <windows.h>
#include <string>
#include "Wnd.h"

class CDialog;

// Carries the direction of one data exchange between a dialog's controls and its members.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL bSaveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(bSaveAndValidate) {}
  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  bool m_bFail = false;
};

// Binds control nIDC to a control object (the dialog keeps owning the window).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Copies the text of control nIDC into value (save) or value into the control (load).
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  virtual INT_PTR DoModal();
  // Creates a modeless dialog (a child page when the template has the child style).
  BOOL Create(UINT nIDTemplate, CWnd* pParentWnd);
  void EndDialog(int nResult);

  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();
  // A WM_QUIT reached the modal loop. The default ends the dialog at once; a dialog that must first let work
  // finish ends itself later. Either way the quit is posted again for the outer loop once this loop is over.
  virtual void OnQuitRequest();
  // A nested loop of the dialog's own removed a WM_QUIT (exit code exitCode): handled as if the modal loop had
  // received it, including its posting again once the loop is over.
  void QuitRequested(int exitCode);
  // True for a message that, this time, is not the one the message map means: it gets the default dialog
  // handling instead (a number the dialog manager also uses, sent by someone else).
  virtual bool PassesToDefault(UINT message, WPARAM wParam, LPARAM lParam);
  // EndDialog has been called: the modal loop ends as soon as the message now handled returns.
  bool IsEnding() const { return m_bEndModal; }

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool RouteCommand(WPARAM wParam, LPARAM lParam, LRESULT* result);
  void RunModalLoop();

  bool m_bModal = false;
  bool m_bEndModal = false;
  INT_PTR m_nModalResult = -1;
  bool m_bQuitReceived = false;
  int m_nQuitCode = 0;
};

// Lets the windows from msg.hwnd up to the top-level window pre-translate a message; true when one did.
BOOL AfxPreTranslateMessage(MSG* pMsg);
