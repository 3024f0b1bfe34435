// Whether RAPI.dll is there to be bound. The synchronisation software (ActiveSync, Windows Mobile Device Center)
// installs it; a PC without it must still show the wizard, so the program binds RAPI.dll on first use. A call
// into a RAPI.dll that is missing, or that lacks one of the functions, would end the program instead of failing,
// so every device call asks this first.
#pragma once

namespace talv {

// True when RAPI.dll loads and exports every function the installer calls. Asked of the system once; the
// library then stays loaded for the process's one link.
bool RapiLibraryPresent();

}  // namespace talv
