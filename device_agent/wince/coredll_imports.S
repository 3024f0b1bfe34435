@ The import table of TalveniaGDFS.exe: the only DLL is COREDLL.dll, and these are all the functions the agent
@ calls (coredll.h declares the slots for C++). Imported by name. A hint is an index into the DLL's export name
@ table, which a loader may try before it searches the names; the numbers given here are the functions' COREDLL
@ ordinals instead, so a loader finds another name at that index and looks the name up. The lookup table (OriginalFirstThunk) is separate from the address table
@ (FirstThunk): the Windows CE loader binds nothing when the lookup table is missing. The loader overwrites
@ each address-table slot with the function's address, so the table lies in the writable .data section.
#include "image.h"

@ X(name, hint): one entry for each imported function.
#define COREDLL_IMPORTS(X) \
        X(FindFirstFileW, 167) \
        X(FindClose, 180) \
        X(FindNextFileW, 181) \
        X(GetDiskFreeSpaceExW, 184) \
        X(fclose, 1118) \
        X(fwrite, 1121) \
        X(fputws, 1144) \
        X(_wfopen, 1145)

        .section .idata, "aw", %progbits
        .balign 4

@ Import directory: one descriptor, then the all-zero one that ends the list.
        .global __pe_import_directory, __pe_import_directory_size
__pe_import_directory:
        .long   RVA(coredll_lookup)     @ OriginalFirstThunk: the lookup table
        .long   0                       @ TimeDateStamp: not bound
        .long   0                       @ ForwarderChain
        .long   RVA(coredll_name)       @ Name
        .long   RVA(__pe_iat)           @ FirstThunk: the address table
        .long   0, 0, 0, 0, 0
        .set    __pe_import_directory_size, . - __pe_import_directory

@ Lookup table: the RVA of each function's hint and name (high bit clear: by name), then zero.
#define LOOKUP(name, hint) .long RVA(hint_name_##name);
coredll_lookup:
        COREDLL_IMPORTS(LOOKUP)
        .long   0

@ Address table: the same until the loader binds it; then each slot holds the function's address.
        .global __pe_iat, __pe_iat_size
#define SLOT(name, hint) .global __imp_##name; .type __imp_##name, %object; .size __imp_##name, 4; __imp_##name: .long RVA(hint_name_##name);
__pe_iat:
        COREDLL_IMPORTS(SLOT)
        .long   0
        .set    __pe_iat_size, . - __pe_iat

@ Hint/name entries: the hint, the name, its terminator, aligned to 2 bytes.
#define HINT_NAME(name, hint) .balign 2; hint_name_##name: .short hint; .asciz #name;
        COREDLL_IMPORTS(HINT_NAME)

coredll_name:
        .asciz  "COREDLL.dll"
        .balign 4
