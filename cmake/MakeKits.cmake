# Makes the shipped kits: the program's own importer turns every kit description of SOURCE_DIR
# into a note-name set and a drum map under OUT. Its report goes to LOG, and to the build's output
# only when it fails.
# Usage: cmake -DPROGRAM= -DSOURCE_DIR= -DOUT= -DLOG= -P MakeKits.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB sources "${SOURCE_DIR}/*.midnam" "${SOURCE_DIR}/*.xml")
list(SORT sources)
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${PROGRAM}" kit import --into "${OUT}" ${sources}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(WRITE "${LOG}" "${out}${err}")
if(NOT rc EQUAL 0)
  file(REMOVE_RECURSE "${OUT}")
  message(FATAL_ERROR "Making the shipped kits failed (${rc}):\n${out}${err}")
endif()
