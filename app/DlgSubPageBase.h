// The base of every wizard page: a child dialog that the frame creates, places, enters, questions and
// leaves in one uniform way. Enter and Escape never act on the page itself: they go to the frame.
#pragma once
#include <optional>
#include <string>
#include "Afx.h"
#include "InstallerState.h"
#include "PageContext.h"

class CDlgSubPageBase : public CDialog {
 public:
  CDlgSubPageBase(UINT nTemplateID, CWnd* pParent);
  ~CDlgSubPageBase() override;

  UINT GetTemplateID() const { return m_nTemplateID; }
  void SetState(InstallerState* pState) { m_pState = pState; }
  // What the page sees of the wizard; the state among it. Set before the page is entered.
  void SetContext(const PageContext& context);
  // Default name of the product folder on the handheld, from the package's name and flags.
  std::string GetDefaultFolderName() const { return m_pPackage->folderName; }

  virtual void OnEnterPage();
  virtual bool CanLeavePage();
  virtual void OnLeavePage();
  // Whether work of the page runs that must end before the page may go (the installation's worker); the frame
  // neither leaves nor closes a busy page.
  virtual bool IsBusy() const;
  // Asks that work to stop at its next safe point; the page reports to the frame when it has.
  virtual void RequestStop();
  // The result the page's worker has reported, or is reporting, to the frame; nothing before that.
  virtual std::optional<int> WorkerReport() const;

  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  PageHost& Host() const { return *m_pHost; }
  const PreparedPackage& Package() const { return *m_pPackage; }

  UINT m_nTemplateID;
  InstallerState* m_pState = nullptr;

  DECLARE_MESSAGE_MAP()

 private:
  const PreparedPackage* m_pPackage = nullptr;
  PageHost* m_pHost = nullptr;
};
