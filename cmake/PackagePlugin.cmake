# Lays out the folder a user copies: the DLL, the library folders, the shipped kits and the install
# text.
# Usage: cmake -DDLL=... -DOUT=... -DTEXT=... [-DNATIVE_BUILD=...] -P PackagePlugin.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}/Loops" "${OUT}/DrumMaps" "${OUT}/NoteNames")
file(COPY "${DLL}" DESTINATION "${OUT}")
file(COPY "${TEXT}" DESTINATION "${OUT}")
if(NATIVE_BUILD)
  foreach(folder Patterns Kits)
    if(NOT IS_DIRECTORY "${NATIVE_BUILD}/app/${folder}")
      message(FATAL_ERROR "${NATIVE_BUILD}/app/${folder} not found: build that native folder first")
    endif()
    file(COPY "${NATIVE_BUILD}/app/${folder}" DESTINATION "${OUT}")
  endforeach()
  message(STATUS "Packaged ${OUT} with the default pattern library and the shipped kits")
else()
  message(STATUS "Packaged ${OUT} WITHOUT the Patterns and Kits folders "
                 "(set TAMBORAK_NATIVE_BUILD to a native build folder to include it)")
endif()
