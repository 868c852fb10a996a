# Makes a new wine prefix in place of the one named by WINEPREFIX, so that a test starts from a
# registry no earlier run has touched. Usage: cmake -P FreshWinePrefix.cmake WINE
set(wine "${CMAKE_ARGV3}")
get_filename_component(wine_dir "${wine}" DIRECTORY)
find_program(wineserver NAMES wineserver PATHS "${wine_dir}" NO_DEFAULT_PATH)
if(wineserver AND EXISTS "$ENV{WINEPREFIX}")
  execute_process(COMMAND "${wineserver}" -k)
endif()
file(REMOVE_RECURSE "$ENV{WINEPREFIX}")
include(${CMAKE_CURRENT_LIST_DIR}/WinePrefix.cmake)
