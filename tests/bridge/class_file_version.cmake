# The class that the bridge carries for script callbacks runs on Java 8, the oldest Java the
# bridge serves (the classic Java Runtime Environment key most often names one): its class
# file version is 52.
#   cmake -DCLASS_FILE=<ScriptCallback.class> -P class_file_version.cmake
file(READ ${CLASS_FILE} major HEX OFFSET 6 LIMIT 2)
if(NOT major STREQUAL "0034")
  message(FATAL_ERROR "${CLASS_FILE} has class file version 0x${major}, not 52 (Java 8)")
endif()
message(STATUS "class file version 52 (Java 8)")
