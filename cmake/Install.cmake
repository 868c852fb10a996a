# What `cmake --install` puts under the prefix on a native build (Linux): the program and its
# manual page, the pattern library and shipped kits, the LV2 bundle without a library of its own (an installed
# plug-in finds the shared one through $XDG_DATA_DIRS), the README and the licence.
if(WIN32 OR CMAKE_CROSSCOMPILING OR TAMBORAK_FUZZ)
  return()
endif()
include(GNUInstallDirs)
set(TAMBORAK_SUMMARY "MIDI drum-loop composer and player, program and LV2 plug-in")
set(TAMBORAK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tamborak)

install(TARGETS tamborak RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/app/Patterns/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tamborak/Patterns)
install(DIRECTORY ${CMAKE_BINARY_DIR}/app/Kits/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tamborak/Kits)

# The manual page, from the program's own --help and --version (not in sanitizer builds, whose
# program may report at exit).
find_program(HELP2MAN help2man)
if(HELP2MAN AND NOT TAMBORAK_SANITIZE)
  set(TAMBORAK_MAN_PAGE ${CMAKE_BINARY_DIR}/app/tamborak.1.gz)
  add_custom_command(OUTPUT ${TAMBORAK_MAN_PAGE}
    COMMAND ${HELP2MAN} --no-info --section=1 --name=${TAMBORAK_SUMMARY} --output=tamborak.1 $<TARGET_FILE:tamborak>
    COMMAND gzip -9nf tamborak.1
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/app
    DEPENDS tamborak
    COMMENT "Writing the manual page tamborak.1 with help2man"
    VERBATIM)
  add_custom_target(man-page ALL DEPENDS ${TAMBORAK_MAN_PAGE})
  install(FILES ${TAMBORAK_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(NOT HELP2MAN)
  message(STATUS "help2man not found: no manual page, no Debian package (apt-get install help2man)")
endif()

# LV2 hosts look in /usr/lib/lv2, whatever the system's library folder is called.
if(TARGET tamborak_lv2)
  set(bundle lib/lv2/tamborak.lv2)
  install(TARGETS tamborak_lv2 LIBRARY DESTINATION ${bundle})
  if(TARGET tamborak_lv2_ui)
    install(TARGETS tamborak_lv2_ui LIBRARY DESTINATION ${bundle})
  endif()
  install(FILES ${TAMBORAK_LV2_BUNDLE}/manifest.ttl ${TAMBORAK_LV2_BUNDLE}/tamborak.ttl DESTINATION ${bundle})
endif()

# The changelog gzipped as Debian keeps it, its date fixed so that the file is the same each build.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9nkf changelog
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog})
install(FILES README.md packaging/debian/copyright ${changelog} DESTINATION ${TAMBORAK_DOC_DIR})
