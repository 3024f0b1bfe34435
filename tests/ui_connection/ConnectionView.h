// What the connection step shows, read from its real controls, and the wizard's own artwork to compare with.
#pragma once
#include <windows.h>
#include <string>
#include "WizardDriver.h"

namespace connection_test {

constexpr char kOkSentence[] = "OK - Il palmare risulta connesso al computer e pronto per l'installazione.";
constexpr char kErrorSentence[] =
    "ERRORE - Mancata comunicazione con il palmare. Assicurarsi che sia collegato correttamente al computer e "
    "che sia installato ActiveSync.";
constexpr char kTemplateSentence[] = "- Risultato";
constexpr char kRefusal[] = "Collegare il dispositivo al computer per continuare!";

struct ConnectionView {
  int picture = 0;  // IDB_CONNECTED, IDB_NOT_CONNECTED, or 0 for anything else
  std::string sentence;
  bool refreshEnabled = false;
  std::string Describe() const;
};

ConnectionView ReadConnectionPage(const ui_test::WizardSession& wizard);
// Waits until the page shows the outcome of a check (the button usable again and a result sentence).
bool WaitForOutcome(const ui_test::WizardSession& wizard, DWORD timeoutMs = 15000);

}  // namespace connection_test
