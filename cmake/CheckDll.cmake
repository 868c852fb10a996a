# Checks a built DLL with the MinGW objdump: it imports only DLLs of the system (no compiler
# run-time DLLs to ship beside it) and exports exactly the four server entry points, undecorated;
# with VERSION, that its version resource names the product, the version and the PUBLISHER.
# Usage: cmake -DOBJDUMP=... -DDLL=... [-DVERSION=... -DPUBLISHER=...] -P CheckDll.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND "${OBJDUMP}" -p "${DLL}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${rc}")
endif()

set(system_dlls kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll oleaut32.dll shell32.dll
                comdlg32.dll comctl32.dll winmm.dll version.dll msvcrt.dll ucrtbase.dll shlwapi.dll ntdll.dll)
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(failed "")
set(imports "")
set(exports "")
set(inNameTable FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: (.+)$")
    list(APPEND imports "${CMAKE_MATCH_1}")
  elseif(line MATCHES "\\[Ordinal/Name Pointer\\] Table")
    set(inNameTable TRUE)
  elseif(inNameTable AND line MATCHES "^[ \t]+\\[ *[0-9]+\\] (.+)$")
    list(APPEND exports "${CMAKE_MATCH_1}")
  else()
    set(inNameTable FALSE)
  endif()
endforeach()

if(NOT imports)
  list(APPEND failed "no import table found")
endif()
foreach(name IN LISTS imports)
  string(TOLOWER "${name}" lower)
  if(lower IN_LIST system_dlls OR lower MATCHES "^api-ms-win-")
    message(STATUS "imports ${name}")
  else()
    list(APPEND failed "imports ${name}, which is not a system DLL")
  endif()
endforeach()

list(SORT exports)
set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT exports STREQUAL expected)
  list(LENGTH exports count)
  list(FILTER exports INCLUDE REGEX "^Dll")
  list(APPEND failed "exports ${count} names instead of [${expected}]; those starting with Dll: [${exports}]")
else()
  message(STATUS "exports ${exports}")
endif()

# The resource's strings are UTF-16, each value after its name and padding: both are matched as
# the hexadecimal digits of their characters, each followed by a zero byte.
if(VERSION)
  file(READ "${DLL}" bytes HEX)
  foreach(pair ProductName=Tamborak FileVersion=${VERSION} ProductVersion=${VERSION} CompanyName=${PUBLISHER}
               OriginalFilename=tamborak.dll)
    string(HEX "${pair}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    string(REPLACE "3d00" "0000(0000)*" pattern "${hex}")  # "=": the name's end and the padding
    if(NOT bytes MATCHES "${pattern}0000")
      list(APPEND failed "version resource: no ${pair}")
    endif()
  endforeach()
endif()

if(failed)
  list(JOIN failed "\n  " text)
  message(FATAL_ERROR "${DLL}:\n  ${text}")
endif()
