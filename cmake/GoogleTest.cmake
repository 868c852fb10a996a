# GoogleTest: the installed package natively; for the Windows cross builds, built from the
# sources Debian ships in /usr/src/googletest with the cross compiler.
include(GoogleTest)
if(CMAKE_CROSSCOMPILING)
  set(TAMBORAK_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources for cross builds")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${TAMBORAK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

# Windows test programs run under wine64, one prefix per build folder, made once by a fixture.
find_program(TAMBORAK_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CACHE)
set(TAMBORAK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# tamborak_test(name sources...): one GoogleTest program registered case by case with CTest.
function(tamborak_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tamborak_windows GTest::gtest GTest::gtest_main)
  tamborak_warnings(${name})
  if(NOT CMAKE_CROSSCOMPILING)
    # Suites named ...Child run only inside a child process that a test starts itself.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-*Child.*"
      PROPERTIES ENVIRONMENT "TAMBORAK_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
  elseif(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8 AND TAMBORAK_WINE64)
    target_link_options(${name} PRIVATE -static)
    add_test(NAME ${name}.wine COMMAND ${TAMBORAK_WINE64} $<TARGET_FILE:${name}>)
    set_tests_properties(${name}.wine PROPERTIES
      FIXTURES_REQUIRED wineprefix
      ENVIRONMENT "WINEPREFIX=${TAMBORAK_WINEPREFIX};WINEDEBUG=-all;TAMBORAK_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
      TIMEOUT 300)
    # Folder watching under wine goes through the wineserver: two suites that watch folders at once
    # can delay a change notification past a test's wait.
    if(name MATCHES "^(library|platform)_tests$")
      set_tests_properties(${name}.wine PROPERTIES RESOURCE_LOCK wine-folder-watch)
    endif()
  else()
    target_link_options(${name} PRIVATE -static)
  endif()
endfunction()

if(CMAKE_CROSSCOMPILING AND WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8 AND TAMBORAK_WINE64)
  add_test(NAME wineprefix.setup
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${TAMBORAK_WINEPREFIX} WINEDEBUG=-all
            ${CMAKE_COMMAND} -P ${PROJECT_SOURCE_DIR}/cmake/WinePrefix.cmake ${TAMBORAK_WINE64})
  set_tests_properties(wineprefix.setup PROPERTIES FIXTURES_SETUP wineprefix TIMEOUT 600)
endif()
