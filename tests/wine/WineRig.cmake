# Wine tests of the Windows builds.
#
#   include(${PROJECT_SOURCE_DIR}/tests/wine/WineRig.cmake)
#   tavlin_add_wine_test(NAME <test name> COMMAND <target or program> [ARGS <argument>...]
#                        [WORKING_DIRECTORY <folder>] [ENVIRONMENT <VAR=value>...]
#                        [TIMEOUT <seconds>])
#
# adds a ctest test that runs a Windows program under Wine: wine (wine32) for the i686
# build, wine64 for the x86_64 build, in the build directory's own prefix,
# <build>/wine-prefix, with Wine's debug output off. To see it, run ctest with
# TAVLIN_WINEDEBUG set to a WINEDEBUG value (for example TAVLIN_WINEDEBUG=+module).
#
# The tests share one wineserver for the whole run: the setup test wine.rig.start creates the
# prefix when it is missing and starts the server, and wine.rig.stop shuts it down after the
# last test. Both belong to the ctest fixture named by TAVLIN_WINE_FIXTURE, which every test
# that runs Wine in the prefix must require (tavlin_add_wine_test does that), so that the
# server is up before it starts and is not stopped under it. A test that runs Wine by other
# means adds TAVLIN_WINE_ENVIRONMENT to its ENVIRONMENT and TAVLIN_WINE_FIXTURE to its
# FIXTURES_REQUIRED.
#
# Natively the function adds nothing, so areas may call it unconditionally.

include_guard(GLOBAL)

if(NOT WIN32)
  function(tavlin_add_wine_test)
  endfunction()
  return()
endif()

if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64")
  set(_tavlin_wine_loader_name wine64)
  set(_tavlin_wine_arch win64)
else()
  set(_tavlin_wine_loader_name wine)
  set(_tavlin_wine_arch win32)
endif()
# Debian keeps each architecture's real loader in /usr/lib/wine; /usr/bin/wine is a script
# that picks one of them.
find_program(TAVLIN_WINE_LOADER NAMES ${_tavlin_wine_loader_name} PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TAVLIN_WINE_LOADER NAMES ${_tavlin_wine_loader_name})
find_program(TAVLIN_WINE_SERVER NAMES wineserver)
if(NOT TAVLIN_WINE_LOADER OR NOT TAVLIN_WINE_SERVER)
  message(FATAL_ERROR "The ${CMAKE_SYSTEM_PROCESSOR} build's tests run under Wine: install ${_tavlin_wine_loader_name} "
                      "(Debian: wine, wine32 and wine64)")
endif()

# Cached, because the file is read once, from whichever folder includes it first, and the
# settings serve every folder.
set(TAVLIN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE INTERNAL "")
set(TAVLIN_WINE_FIXTURE tavlin_wine CACHE INTERNAL "")
set(TAVLIN_WINE_RIG ${CMAKE_CURRENT_LIST_DIR}/wine-rig.sh CACHE INTERNAL "")
set(TAVLIN_WINE_ENVIRONMENT
    WINEPREFIX=${TAVLIN_WINE_PREFIX}
    TAVLIN_WINE_LOADER=${TAVLIN_WINE_LOADER}
    TAVLIN_WINE_SERVER=${TAVLIN_WINE_SERVER}
    TAVLIN_WINE_ARCH=${_tavlin_wine_arch}
    WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml="
    CACHE INTERNAL "")
message(STATUS "Wine tests run with ${TAVLIN_WINE_LOADER} in ${TAVLIN_WINE_PREFIX}")

add_test(NAME wine.rig.start COMMAND sh ${TAVLIN_WINE_RIG} start)
# Creating a prefix takes a while the first time; the lock keeps other prefix set-ups apart.
set_tests_properties(wine.rig.start PROPERTIES
  FIXTURES_SETUP ${TAVLIN_WINE_FIXTURE}
  ENVIRONMENT "${TAVLIN_WINE_ENVIRONMENT}"
  RESOURCE_LOCK wine-prefix
  TIMEOUT 600)
add_test(NAME wine.rig.stop COMMAND sh ${TAVLIN_WINE_RIG} stop)
set_tests_properties(wine.rig.stop PROPERTIES
  FIXTURES_CLEANUP ${TAVLIN_WINE_FIXTURE}
  ENVIRONMENT "${TAVLIN_WINE_ENVIRONMENT}"
  TIMEOUT 60)

function(tavlin_add_wine_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;COMMAND;WORKING_DIRECTORY;TIMEOUT" "ARGS;ENVIRONMENT")
  if(NOT arg_NAME OR NOT arg_COMMAND)
    message(FATAL_ERROR "tavlin_add_wine_test needs NAME and COMMAND")
  endif()
  set(program ${arg_COMMAND})
  if(TARGET ${arg_COMMAND})
    set(program $<TARGET_FILE:${arg_COMMAND}>)
  endif()
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  set(environment ${TAVLIN_WINE_ENVIRONMENT} ${arg_ENVIRONMENT})
  add_test(NAME ${arg_NAME}
    COMMAND sh ${TAVLIN_WINE_RIG} run ${program} ${arg_ARGS}
    WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  set_tests_properties(${arg_NAME} PROPERTIES
    FIXTURES_REQUIRED ${TAVLIN_WINE_FIXTURE}
    ENVIRONMENT "${environment}"
    TIMEOUT ${arg_TIMEOUT})
endfunction()
