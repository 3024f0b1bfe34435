# Test helpers shared by every test folder.
#
# talv_add_test(NAME name SOURCES ... LIBS ... [WINE_UI] [LABELS ...])
#   Builds one GoogleTest executable and registers it with ctest. In the Windows build it runs through Wine
#   (CMAKE_CROSSCOMPILING_EMULATOR) with the emulated handheld's folder on the DLL search path.
function(talv_add_test)
  cmake_parse_arguments(T "WINE_UI" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${T_NAME})
  if(T_WINE_UI)
    # A GUI test needs the windows subsystem only for its own windows; the console keeps gtest output.
    target_link_libraries(${T_NAME} PRIVATE comctl32 gdi32 user32)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  if(WIN32)
    set_property(TEST ${T_NAME} APPEND PROPERTY ENVIRONMENT "WINEPATH=Z:${TALV_EMULATOR_DIR}")
  endif()
endfunction()
