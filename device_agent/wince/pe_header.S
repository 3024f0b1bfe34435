@ The headers of TalveniaGDFS.exe, as data at the image base: the MS-DOS header, the PE signature, the COFF
@ file header, the optional header (all 0xE0 bytes: 16 data directories) and the section table. agent.ld puts
@ this first and supplies the sizes and addresses; objcopy -O binary then writes the memory image as the file.
@
@ What the Windows CE loader (4.20 to 6.0) is given: ARM (0x1C0), the Windows CE GUI subsystem (9), version
@ 4.20, relocations stripped (the image sits at its base, so there are none), imports from COREDLL.dll only,
@ the icon in the resource directory, and nothing else: no TLS, no exception or CLR data, no debug directory.
#include "image.h"

        .section .pe_headers, "a", %progbits
        .global __talv_image_base
        .set    __talv_image_base, TALV_IMAGE_BASE

#define IMAGE_FILE_MACHINE_ARM 0x01C0
#define IMAGE_FILE_RELOCS_STRIPPED 0x0001
#define IMAGE_FILE_EXECUTABLE_IMAGE 0x0002
#define IMAGE_FILE_LINE_NUMS_STRIPPED 0x0004
#define IMAGE_FILE_LOCAL_SYMS_STRIPPED 0x0008
#define IMAGE_FILE_32BIT_MACHINE 0x0100
#define IMAGE_SUBSYSTEM_WINDOWS_CE_GUI 9
#define IMAGE_SCN_CNT_CODE 0x00000020
#define IMAGE_SCN_CNT_INITIALIZED_DATA 0x00000040
#define IMAGE_SCN_MEM_EXECUTE 0x20000000
#define IMAGE_SCN_MEM_READ 0x40000000
#define IMAGE_SCN_MEM_WRITE 0x80000000

image_start:
@ MS-DOS header (64 bytes). Only e_magic and e_lfanew matter; there is no MS-DOS stub program.
        .ascii  "MZ"                    @ e_magic
        .short  0x90, 3, 0, 4, 0, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40, 0  @ e_cblp .. e_ovno
        .short  0, 0, 0, 0              @ e_res
        .short  0, 0                    @ e_oemid, e_oeminfo
        .short  0, 0, 0, 0, 0, 0, 0, 0, 0, 0  @ e_res2
        .long   nt_headers - image_start  @ e_lfanew

nt_headers:
        .ascii  "PE\0\0"
@ COFF file header
        .short  IMAGE_FILE_MACHINE_ARM  @ Machine
        .short  (section_table_end - section_table) / 40  @ NumberOfSections
        .long   0                       @ TimeDateStamp: none, so the build is reproducible
        .long   0, 0                    @ PointerToSymbolTable, NumberOfSymbols
        .short  optional_header_end - optional_header  @ SizeOfOptionalHeader
        .short  IMAGE_FILE_RELOCS_STRIPPED | IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_LINE_NUMS_STRIPPED | IMAGE_FILE_LOCAL_SYMS_STRIPPED | IMAGE_FILE_32BIT_MACHINE

optional_header:
        .short  0x10B                   @ Magic: PE32
        .byte   2, 40                   @ linker version: binutils 2.40's ld
        .long   __pe_text_size          @ SizeOfCode
        .long   __pe_initialized_data_size  @ SizeOfInitializedData
        .long   0                       @ SizeOfUninitializedData
        .long   RVA(TalvAgentEntry)     @ AddressOfEntryPoint (ARM code: bit 0 clear)
        .long   RVA(__pe_text_start)    @ BaseOfCode
        .long   RVA(__pe_data_start)    @ BaseOfData
        .long   TALV_IMAGE_BASE         @ ImageBase
        .long   TALV_PAGE               @ SectionAlignment
        .long   TALV_PAGE               @ FileAlignment
        .short  4, 20                   @ Major/MinorOperatingSystemVersion: Windows CE 4.20
        .short  0, 0                    @ Major/MinorImageVersion
        .short  4, 20                   @ Major/MinorSubsystemVersion: Windows CE 4.20
        .long   0                       @ Win32VersionValue
        .long   RVA(__pe_image_end)     @ SizeOfImage
        .long   RVA(__pe_headers_end)   @ SizeOfHeaders
        .long   0                       @ CheckSum (not checked for programs)
        .short  IMAGE_SUBSYSTEM_WINDOWS_CE_GUI  @ Subsystem
        .short  0                       @ DllCharacteristics
        .long   0x10000, 0x1000         @ SizeOfStackReserve, SizeOfStackCommit
        .long   0x100000, 0x1000        @ SizeOfHeapReserve, SizeOfHeapCommit
        .long   0                       @ LoaderFlags
        .long   (data_directories_end - data_directories) / 8  @ NumberOfRvaAndSizes
data_directories:
        .long   0, 0                    @  0 export
        .long   RVA(__pe_import_directory), __pe_import_directory_size  @ 1 import
        .long   RVA(__pe_resource_directory), __pe_resource_directory_size  @ 2 resource
        .long   0, 0                    @  3 exception
        .long   0, 0                    @  4 security
        .long   0, 0                    @  5 base relocation: none, relocations are stripped
        .long   0, 0                    @  6 debug
        .long   0, 0                    @  7 architecture
        .long   0, 0                    @  8 global pointer
        .long   0, 0                    @  9 TLS: none
        .long   0, 0                    @ 10 load configuration
        .long   0, 0                    @ 11 bound import
        .long   RVA(__pe_iat), __pe_iat_size  @ 12 import address table
        .long   0, 0                    @ 13 delay import
        .long   0, 0                    @ 14 CLR runtime header: must stay zero for Windows CE
        .long   0, 0                    @ 15 reserved
data_directories_end:
optional_header_end:

@ Section table (40 bytes a section). The file is the memory image, so a section's file offset is its RVA and
@ its raw size is its page-rounded size (agent.ld pads every section to a page).
        .macro  SECTION name, start, used, size, characteristics
0:      .ascii  "\name"
        .space  8 - (. - 0b)
        .long   \used                   @ VirtualSize
        .long   RVA(\start)             @ VirtualAddress
        .long   \size                   @ SizeOfRawData
        .long   RVA(\start)             @ PointerToRawData
        .long   0, 0                    @ PointerToRelocations, PointerToLinenumbers
        .short  0, 0                    @ NumberOfRelocations, NumberOfLinenumbers
        .long   \characteristics
        .endm
section_table:
        SECTION ".text", __pe_text_start, __pe_text_used, __pe_text_size, IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ
        SECTION ".data", __pe_data_start, __pe_data_used, __pe_data_size, IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE
        SECTION ".rsrc", __pe_rsrc_start, __pe_rsrc_used, __pe_rsrc_size, IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ
section_table_end:

@ Windows CE reads the section table at e_lfanew + 0xF8: the optional header must be the full 0xE0 bytes.
        .if     (section_table - nt_headers) != 0xF8
        .error  "the section table must start at e_lfanew + 0xF8"
        .endif
