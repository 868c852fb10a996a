# `installer`: Tamborak-Setup-<version>.exe, the setup program made with makensis. It takes the
# 64-bit DLL of this build, the 32-bit DLL of a mingw32 build folder and the pattern library of a
# native build folder; MakeInstaller.cmake builds either when it is missing or stale.
find_program(TAMBORAK_MAKENSIS makensis)
set(TAMBORAK_MINGW32_BUILD ${PROJECT_SOURCE_DIR}/build/mingw32 CACHE PATH
    "mingw32 build folder whose tamborak.dll the setup program installs (configured when missing)")
set(stage ${CMAKE_BINARY_DIR}/installer/Tamborak)
set(setup ${CMAKE_BINARY_DIR}/Tamborak-Setup-${PROJECT_VERSION}.exe)
set(install_list ${CMAKE_BINARY_DIR}/installer/install-patterns.nsh)
set(uninstall_list ${CMAKE_BINARY_DIR}/installer/uninstall-patterns.nsh)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/Tamborak.nsi.in ${CMAKE_BINARY_DIR}/installer/Tamborak.nsi @ONLY)
add_custom_target(installer
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DDLL=$<TARGET_FILE:tamborak_dll>
          -DMINGW32_BUILD=${TAMBORAK_MINGW32_BUILD} -DNATIVE_BUILD=${TAMBORAK_NATIVE_BUILD}
          -DTEXT=${CMAKE_CURRENT_SOURCE_DIR}/INSTALL.txt -DOUT=${stage} -DMAKENSIS=${TAMBORAK_MAKENSIS}
          -DNSI=${CMAKE_BINARY_DIR}/installer/Tamborak.nsi -DINSTALL_LIST=${install_list}
          -DUNINSTALL_LIST=${uninstall_list}
          -P ${PROJECT_SOURCE_DIR}/packaging/windows/MakeInstaller.cmake
  DEPENDS tamborak_dll
  BYPRODUCTS ${setup}
  VERBATIM)
