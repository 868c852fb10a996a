# cmake --build --preset release --target deb: build/release/tamborak_<version>_amd64.deb, made by
# CPack from what cmake/Install.cmake installs. The target builds only what the package holds.
if(WIN32 OR CMAKE_CROSSCOMPILING OR TAMBORAK_FUZZ)
  return()
endif()
if(NOT TARGET man-page OR NOT TARGET tamborak_lv2)
  add_custom_target(deb
    COMMAND ${CMAKE_COMMAND} -E echo "deb: the package needs help2man, the LV2 plug-in (apt-get install help2man lv2-dev) and a build without sanitizers"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamborak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora <tamborak@velmora.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fluidsynth, timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(READ ${PROJECT_SOURCE_DIR}/packaging/debian/description description)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${TAMBORAK_SUMMARY}\n${description}")
# The plain `package` target would build everything, tests included: the deb target runs CPack
# itself once the package's files are built.
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackDeb.cmake)
set(CPACK_SOURCE_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackSourceDeb.cmake)
include(CPack)

add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CPACK_OUTPUT_CONFIG_FILE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/_CPack_Packages
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS tamborak man-page changelog default-patterns lv2-bundle
  COMMENT "Packing tamborak_${PROJECT_VERSION}_amd64.deb"
  VERBATIM)
