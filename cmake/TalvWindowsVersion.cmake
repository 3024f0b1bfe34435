# talv_use_windows7_headers()
#   In the calling folder and the folders it adds, the Windows headers declare what Windows 7 has instead of
#   only what the product's oldest Windows has. For code that runs on the build machine only: the emulator,
#   the tools, the tests. Does nothing in a native build.
function(talv_use_windows7_headers)
  if(NOT WIN32)
    return()
  endif()
  get_directory_property(definitions COMPILE_DEFINITIONS)
  list(FILTER definitions EXCLUDE REGEX "^(_WIN32_WINNT|WINVER)=")
  list(APPEND definitions _WIN32_WINNT=0x0601 WINVER=0x0601)
  set_directory_properties(PROPERTIES COMPILE_DEFINITIONS "${definitions}")
endfunction()
