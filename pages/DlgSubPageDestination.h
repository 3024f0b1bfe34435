// The destination step: the storage areas of the handheld with their free space, a diagnosis of the chosen
// one, and the creation of the product folder on it.
#pragma once
#include <cstdint>
#include <string>
#include "DlgSubPageBase.h"

class CDlgSubPageDestination : public CDlgSubPageBase {
 public:
  explicit CDlgSubPageDestination(CWnd* pParent);

  void OnEnterPage() override;
  bool CanLeavePage() override;
  void OnLeavePage() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  void OnRefresh();
  void OnSelchangeDestination();
  void UpdateDestinationInfo();

  // The storage survey (DlgSubPageDestinationSurvey.cpp).
  bool DeployDeviceAgent();
  void ReadStorageReport();
  void DeleteStorageReports();

  CEdit m_edtNotes;
  CEdit m_edtRequiredMemory;
  CEdit m_edtFreeMemory;
  CButton m_btnRefresh;
  CComboBox m_cmbDestination;
  std::string m_strNotes;
  bool m_bDestinationReady = false;

 private:
  void RecordDeviceFolders();
  void AddStorageArea(const std::string& text, int32_t hundredths);
  // The main store's entry carries the program-files folder as its text; volumes never hold a backslash.
  bool IsMainStoreEntry(int index) const;
  // Root folder of the selected entry; empty with no selection.
  std::string SelectedRootFolder() const;

  DECLARE_MESSAGE_MAP()
};
