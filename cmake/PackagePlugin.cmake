# Lays out the folder a user copies: the DLL, the library folders and the install text.
# Usage: cmake -DDLL=... -DOUT=... -DTEXT=... [-DNATIVE_BUILD=...] -P PackagePlugin.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}/Loops" "${OUT}/DrumMaps" "${OUT}/NoteNames")
file(COPY "${DLL}" DESTINATION "${OUT}")
file(COPY "${TEXT}" DESTINATION "${OUT}")
if(NATIVE_BUILD)
  if(NOT IS_DIRECTORY "${NATIVE_BUILD}/app/Patterns")
    message(FATAL_ERROR "${NATIVE_BUILD}/app/Patterns not found: build that native folder first")
  endif()
  file(COPY "${NATIVE_BUILD}/app/Patterns" DESTINATION "${OUT}")
  message(STATUS "Packaged ${OUT} with the default pattern library")
else()
  message(STATUS "Packaged ${OUT} WITHOUT the Patterns folder "
                 "(set TAMBORAK_NATIVE_BUILD to a native build folder to include it)")
endif()
