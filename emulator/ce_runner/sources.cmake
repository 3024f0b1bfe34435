# The runner's sources, shared by the native build (CMakeLists.txt) and the host build of the Windows presets
# (host/CMakeLists.txt). TALV_SOURCE_ROOT is the repository's top folder.
set(TALV_CE_RUNNER_SOURCES
  ${TALV_SOURCE_ROOT}/emulator/ce_runner/pe_image.cpp
  ${TALV_SOURCE_ROOT}/emulator/ce_runner/arm_v5te.cpp
  ${TALV_SOURCE_ROOT}/emulator/ce_runner/handheld_folder.cpp
  ${TALV_SOURCE_ROOT}/emulator/ce_runner/guest_memory.cpp
  ${TALV_SOURCE_ROOT}/emulator/ce_runner/coredll_standin.cpp
  ${TALV_SOURCE_ROOT}/emulator/ce_runner/ce_runner.cpp)
# The portable device model and text-mode rule it reuses (built as libraries in the native tree).
set(TALV_CE_RUNNER_SHARED_SOURCES
  ${TALV_SOURCE_ROOT}/emulator/device_ini.cpp
  ${TALV_SOURCE_ROOT}/emulator/device_path_map.cpp
  ${TALV_SOURCE_ROOT}/emulator/device_volumes.cpp
  ${TALV_SOURCE_ROOT}/emulator/portable_text.cpp
  ${TALV_SOURCE_ROOT}/device_agent/host_text.cpp
  ${TALV_SOURCE_ROOT}/framework/base/device_name.cpp)
set(TALV_CE_RUNNER_INCLUDES
  ${TALV_SOURCE_ROOT}/emulator/ce_runner ${TALV_SOURCE_ROOT}/emulator ${TALV_SOURCE_ROOT}/device_agent
  ${TALV_SOURCE_ROOT}/framework/base)

find_path(TALV_UNICORN_INCLUDE unicorn/unicorn.h)
find_library(TALV_UNICORN_LIBRARY unicorn)
if(NOT TALV_UNICORN_INCLUDE OR NOT TALV_UNICORN_LIBRARY)
  message(FATAL_ERROR "The ARM runner needs unicorn 2 (Debian: libunicorn-dev)")
endif()
