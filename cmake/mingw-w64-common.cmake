set(CMAKE_C_COMPILER ${TALV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TALV_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${TALV_MINGW_TRIPLET}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${TALV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests and tools run through Wine (scripts/wine-run.sh); scripts/env.sh prepares the prefix.
find_program(TALV_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
# Line tables and function names are what a crash under Wine needs; full debug information would double the
# build's time for nothing more.
set(CMAKE_C_FLAGS_RELWITHDEBINFO_INIT "-O2 -g1 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT "-O2 -g1 -DNDEBUG")
