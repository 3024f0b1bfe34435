// A program that imports RAPI.dll when it loads: on a PC without the synchronisation software the loader would
// refuse to start it, so the import check must name the import (CMakeLists.txt).
#include "rapi.h"

int main() { return CeRapiUninit() == S_OK ? 0 : 1; }
