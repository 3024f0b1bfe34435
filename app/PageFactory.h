// Builds the page object of a wizard step: the one place that names the concrete pages.
#pragma once
#include <memory>
class CDlgSubPageBase;
class CWnd;

std::unique_ptr<CDlgSubPageBase> CreateWizardPage(int index, CWnd* parent);
