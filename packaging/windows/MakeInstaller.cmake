# Makes the setup program: builds what it needs from other build folders, stages the files as
# the `package` target lays them out, lists the pattern and kit files for the install and
# uninstall sections, and runs makensis.
# Usage: cmake -DSOURCE_DIR= -DDLL= -DMINGW32_BUILD= [-DNATIVE_BUILD=] -DTEXT= -DOUT= -DMAKENSIS=
#              -DNSI= -DINSTALL_LIST= -DUNINSTALL_LIST= -P MakeInstaller.cmake
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "installer: `${command}` failed (${rc})")
  endif()
endfunction()

# Configures the source tree's folder of `preset` when it is the one asked for and not yet made.
function(configure_preset folder preset)
  if(NOT EXISTS "${folder}/CMakeCache.txt")
    if(NOT folder STREQUAL "${SOURCE_DIR}/build/${preset}")
      message(FATAL_ERROR "installer: ${folder} is not a configured build folder")
    endif()
    run(${CMAKE_COMMAND} --preset ${preset})
  endif()
endfunction()

if(NOT MAKENSIS)
  message(FATAL_ERROR "installer: makensis not found (Debian package nsis)")
endif()

# The 32-bit DLL, built (and checked) in its own folder.
configure_preset("${MINGW32_BUILD}" mingw32)
run(${CMAKE_COMMAND} --build "${MINGW32_BUILD}" --target tamborak_dll_check)
set(dll32 "${MINGW32_BUILD}/frame/dll/tamborak.dll")

# The pattern library of the named native build folder, else of the first one built, else of the
# debug preset's; brought up to date there.
if(NOT NATIVE_BUILD)
  set(NATIVE_BUILD "${SOURCE_DIR}/build/debug")
  foreach(preset release debug)
    if(IS_DIRECTORY "${SOURCE_DIR}/build/${preset}/app/Patterns")
      set(NATIVE_BUILD "${SOURCE_DIR}/build/${preset}")
      break()
    endif()
  endforeach()
  configure_preset("${NATIVE_BUILD}" debug)
endif()
if(EXISTS "${NATIVE_BUILD}/CMakeCache.txt")
  run(${CMAKE_COMMAND} --build "${NATIVE_BUILD}" --target default-patterns shipped-kits)
endif()

include(${SOURCE_DIR}/cmake/PackagePlugin.cmake)
file(COPY_FILE "${dll32}" "${OUT}/tamborak32.dll")
file(COPY_FILE "${SOURCE_DIR}/LICENSE" "${OUT}/LICENSE.txt")

# One File line per pattern and kit file, under the SetOutPath of its folder; the uninstaller
# deletes the same files, then the folders deepest first, each only when empty.
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${OUT}" "${OUT}/Patterns/*" "${OUT}/Kits/*")
list(SORT entries)
set(folders Patterns Kits)
set(install "")
set(uninstall "")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${OUT}/${entry}")
    list(APPEND folders "${entry}")
  endif()
endforeach()
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" windows "${folder}")
  string(REPLACE "$" "$$" windows "${windows}")
  string(APPEND install "SetOutPath \"$INSTDIR\\${windows}\"\n")
  foreach(entry IN LISTS entries)
    get_filename_component(parent "${entry}" DIRECTORY)
    if(parent STREQUAL folder AND NOT IS_DIRECTORY "${OUT}/${entry}")
      get_filename_component(name "${entry}" NAME)
      string(REPLACE "$" "$$" name "${name}")
      string(APPEND install "File \"${OUT}/${entry}\"\n")
      string(APPEND uninstall "Delete \"$INSTDIR\\${windows}\\${name}\"\n")
    endif()
  endforeach()
endforeach()
list(REVERSE folders)
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" windows "${folder}")
  string(REPLACE "$" "$$" windows "${windows}")
  string(APPEND uninstall "RMDir \"$INSTDIR\\${windows}\"\n")
endforeach()
file(WRITE "${INSTALL_LIST}" "${install}")
file(WRITE "${UNINSTALL_LIST}" "${uninstall}")

run("${MAKENSIS}" -V2 -WX "${NSI}")
