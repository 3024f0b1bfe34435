// A program that Windows XP would refuse to load: it calls GetTickCount64 (Vista), imports no RAPI.dll and asks
// for Windows 6.0 in its PE header. The import check must name each of these (CMakeLists.txt).
#include <windows.h>

int main() { return GetTickCount64() == 0 ? 1 : 0; }
