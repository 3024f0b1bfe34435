# Runs the real talvpkg command line (through Wine in the Windows build): build, list, verify and
# extract a small tree and compare it, then check that a bad tree and a damaged package are refused.
# Variables: TALVPKG (the program), EMULATOR (empty natively), WORK (a scratch folder).
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(drive "")
if(EMULATOR)
  set(drive "Z:")  # Wine sees the host's files on drive Z:
endif()

function(talvpkg expected_code)
  execute_process(COMMAND ${EMULATOR} "${TALVPKG}" ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT code EQUAL expected_code)
    message(FATAL_ERROR "talvpkg ${ARGN}: exit ${code}, expected ${expected_code}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect_match text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "expected /${pattern}/ in:\n${text}")
  endif()
endfunction()

set(files PRG/Talvenia.exe PRG/Maps/Italy/rome.map PRG/Maps/Italy/empty DOC/Lettere/città.txt WIN/codec.dll
          HLP/guide.htm)
foreach(f IN LISTS files)
  string(REPEAT "${f} contents " 300 contents)
  if(f MATCHES "empty$")
    set(contents "")
  endif()
  file(WRITE "${WORK}/src/${f}" "${contents}")
endforeach()

talvpkg(0 build --product fendro --launcher -o "${drive}${WORK}/Fendro2017.pkg" "${drive}${WORK}/src")
expect_match("${out}" "6 entries")
talvpkg(0 list "${drive}${WORK}/Fendro2017.pkg")
expect_match("${out}" "product: fendro \\(0\\)\r?\nlauncher: 1\r?\nentries: 6")
expect_match("${out}" "PRG\tMaps\\\\Italy\\\\\trome.map\t")
talvpkg(0 verify "${drive}${WORK}/Fendro2017.pkg")
expect_match("${out}" "sound; fendro, launcher 1, 6 entries")
talvpkg(0 extract "${drive}${WORK}/Fendro2017.pkg" "${drive}${WORK}/out")
foreach(f IN LISTS files)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/src/${f}" "${WORK}/out/${f}"
                  RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "extracted ${f} differs from its source")
  endif()
endforeach()
file(GLOB_RECURSE extracted RELATIVE "${WORK}/out" "${WORK}/out/*")
list(LENGTH extracted count)
if(NOT count EQUAL 6)
  message(FATAL_ERROR "extracted ${count} files: ${extracted}")
endif()

# Refusals: an unknown top-level folder leaves no package; a damaged package fails verify with exit 1.
file(WRITE "${WORK}/bad/OTHER/f" "x")
talvpkg(1 build --product talvenia -o "${drive}${WORK}/bad.pkg" "${drive}${WORK}/bad")
expect_match("${err}" "only the folders PRG, DOC, WIN and HLP")
file(GLOB leftovers "${WORK}/bad.pkg" "${WORK}/.talvpkg-*")
if(leftovers)
  message(FATAL_ERROR "a refused build left ${leftovers}")
endif()
configure_file("${WORK}/Fendro2017.pkg" "${WORK}/copy.pkg" COPYONLY)
file(SIZE "${WORK}/copy.pkg" size)
file(APPEND "${WORK}/copy.pkg" "trailing")
talvpkg(1 verify "${drive}${WORK}/copy.pkg")
expect_match("${err}" "bytes after the end of the zlib stream at offset ${size}")
talvpkg(0 list "${drive}${WORK}/copy.pkg")
expect_match("${out}" "entries: ")
expect_match("${err}" "warning: .*8 bytes after the end of the zlib stream")
talvpkg(2 build --product nobody -o "${drive}${WORK}/x.pkg" "${drive}${WORK}/src")
talvpkg(0 build --help)
expect_match("${out}" "usage: talvpkg build")

# What the handheld needs beyond the format: the launcher program is a warning for verify and a defect with
# --require-program; the root the paths were checked below is named, and another can be given (its backslashes
# may be left out).
talvpkg(0 verify "${drive}${WORK}/Fendro2017.pkg")
expect_match("${out}" "below \\\\ROMDisk\\\\ \\(assumed")
expect_match("${err}" "warning: .*OstrelField.exe")
talvpkg(1 verify --require-program "${drive}${WORK}/Fendro2017.pkg")
expect_match("${err}" "OstrelField.exe")
talvpkg(0 verify --destination "Storage Card" "${drive}${WORK}/Fendro2017.pkg")
expect_match("${out}" "below \\\\Storage Card\\\\; install folder \\\\Storage Card\\\\PROGRAM\\\\Fendro\\\\Fendro2017\\\\")
talvpkg(2 verify --destination "a:b" "${drive}${WORK}/Fendro2017.pkg")
# A folder is never taken for a package, nor replaced by one.
file(MAKE_DIRECTORY "${WORK}/dir.pkg")
talvpkg(1 verify "${drive}${WORK}/dir.pkg")
expect_match("${err}" "is a folder")
talvpkg(1 build --product talvenia -o "${drive}${WORK}/dir.pkg" "${drive}${WORK}/src")
expect_match("${err}" "is a folder")
if(NOT IS_DIRECTORY "${WORK}/dir.pkg")
  message(FATAL_ERROR "build replaced the folder dir.pkg")
endif()

# A source on a host that tells letter case apart (Wine reads the same Linux folder) may hold two files the
# handheld takes for one: refused, whatever the build.
file(WRITE "${WORK}/cased/PRG/Talvenia.exe" "MZ")
file(WRITE "${WORK}/cased/DOC/Città.txt" "first")
file(WRITE "${WORK}/cased/DOC/CITTÀ.txt" "second")
talvpkg(1 build --product talvenia -o "${drive}${WORK}/cased.pkg" "${drive}${WORK}/cased")
expect_match("${err}" "are one file on the handheld, which ignores letter case")

# Links are refused, not followed. Wine 8 shows a Linux link to a folder as a reparse point, which the Windows
# build judges; a link to a file it shows as the file itself, and one that leads nowhere not at all, so those
# rows are the native build's only.
set(links "PRG/Back=.." "DOC=PRG")
if(NOT EMULATOR)
  list(APPEND links "PRG/Copy.exe=Talvenia.exe" "PRG/Gone=${WORK}/nowhere")
endif()
foreach(link IN LISTS links)
  string(REGEX REPLACE "=.*" "" name "${link}")
  string(REGEX REPLACE "^[^=]*=" "" target "${link}")
  file(REMOVE_RECURSE "${WORK}/linked")
  file(WRITE "${WORK}/linked/PRG/Talvenia.exe" "MZ")
  file(CREATE_LINK "${target}" "${WORK}/linked/${name}" SYMBOLIC)
  talvpkg(1 build --product talvenia -o "${drive}${WORK}/linked.pkg" "${drive}${WORK}/linked")
  get_filename_component(leaf "${name}" NAME)
  if(NOT err MATCHES "${leaf}: ")
    message(FATAL_ERROR "${name} -> ${target}: refused for another reason:\n${err}")
  endif()
  if(EXISTS "${WORK}/linked.pkg")
    message(FATAL_ERROR "${name} -> ${target}: a package was made")
  endif()
endforeach()
