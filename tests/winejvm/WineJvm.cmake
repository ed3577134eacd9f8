# Tools, paths and CMake functions of the forwarding jvm.dll and its Wine tests.
#
# Other areas' Wine tests get a prefix with a registered Java installation by requiring the
# fixture named in WINEJVM_JAVA_FIXTURE (or by adding themselves with winejvm_add_wine_test).

find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(WINEJVM_WINEGXX wineg++ REQUIRED)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(WINEJVM_WINE_BITS -m64)
  set(WINEJVM_ELF_CLASS 02)
  set(WINEJVM_REGISTRY_VIEW 64)
  find_program(WINEJVM_WINE wine64 HINTS /usr/lib/wine REQUIRED)
else()
  set(WINEJVM_WINE_BITS -m32)
  set(WINEJVM_ELF_CLASS 01)
  set(WINEJVM_REGISTRY_VIEW 32)
  find_program(WINEJVM_WINE wine REQUIRED)
endif()

# The libjvm.so of the architecture being built: the build's JDK when it matches, else a
# JDK installed beside it (Debian puts java-17-openjdk-i386 next to java-17-openjdk-amd64).
function(winejvm_find_libjvm out)
  get_filename_component(jdks ${TAVLIN_JDK_HOME} DIRECTORY)
  file(GLOB siblings ${jdks}/*/lib/server/libjvm.so ${jdks}/*/lib/client/libjvm.so)
  foreach(candidate ${TAVLIN_JDK_HOME}/lib/server/libjvm.so ${siblings})
    if(EXISTS ${candidate})
      file(READ ${candidate} elf_class OFFSET 4 LIMIT 1 HEX)
      if(elf_class STREQUAL WINEJVM_ELF_CLASS)
        file(REAL_PATH ${candidate} found)
        set(${out} ${found} PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  message(FATAL_ERROR "No ${CMAKE_SYSTEM_PROCESSOR} libjvm.so next to ${TAVLIN_JDK_HOME}; install the "
                      "matching OpenJDK runtime or set WINEJVM_LIBJVM")
endfunction()

if(NOT WINEJVM_LIBJVM)
  winejvm_find_libjvm(found_libjvm)
  set(WINEJVM_LIBJVM ${found_libjvm} CACHE FILEPATH "libjvm.so that the forwarding jvm.dll loads")
endif()
message(STATUS "Forwarding jvm.dll loads ${WINEJVM_LIBJVM}")

# The registry's CurrentVersion of the installation: the Java version of that VM as
# installers write it ("17", or "1.8" for Java 8).
function(winejvm_java_version out)
  get_filename_component(java_home ${WINEJVM_LIBJVM} DIRECTORY)
  get_filename_component(java_home ${java_home}/../.. ABSOLUTE)
  file(STRINGS ${java_home}/release version_line REGEX "^JAVA_VERSION=")
  string(REGEX MATCH "^JAVA_VERSION=\"(1\\.[0-9]+|[0-9]+)" version_match "${version_line}")
  if(NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "No JAVA_VERSION in ${java_home}/release")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

# Wine maps drive Z: to the Unix root.
function(winejvm_windows_path out unix_path)
  string(REPLACE "/" "\\" windows_path "Z:${unix_path}")
  set(${out} ${windows_path} PARENT_SCOPE)
endfunction()

set(WINEJVM_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(WINEJVM_JAVA_FIXTURE winejvm_java_installed)
set(WINEJVM_ENVIRONMENT WINEPREFIX=${WINEJVM_PREFIX} WINEDEBUG=-all)

# A test that writes the Java installation into the prefix: the forwarder in place of the
# installation's jvm.dll, and the registry keys that name it.
function(winejvm_add_java_installation)
  winejvm_java_version(java_version)
  add_test(NAME winejvm.install_java
    COMMAND ${CMAKE_COMMAND} -DWINE=${WINEJVM_WINE} -DPREFIX=${WINEJVM_PREFIX} -DFORWARDER=${WINEJVM_FORWARDER}
            -DJAVA_VERSION=${java_version} -DREGISTRY_VIEW=${WINEJVM_REGISTRY_VIEW}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/InstallJava.cmake)
  set_tests_properties(winejvm.install_java PROPERTIES
    FIXTURES_SETUP ${WINEJVM_JAVA_FIXTURE}
    ENVIRONMENT "${WINEJVM_ENVIRONMENT}"
    RESOURCE_LOCK wine-prefix
    TIMEOUT 300)
endfunction()

# winejvm_add_wine_test(NAME name COMMAND windows-program args... [WORKING_DIRECTORY dir]):
# runs a Windows program under Wine in the prefix with the Java installation.
function(winejvm_add_wine_test)
  cmake_parse_arguments(PARSE_ARGV 0 test "" "NAME;WORKING_DIRECTORY" "COMMAND")
  if(NOT test_WORKING_DIRECTORY)
    set(test_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${test_NAME} COMMAND ${WINEJVM_WINE} ${test_COMMAND} WORKING_DIRECTORY ${test_WORKING_DIRECTORY})
  set_tests_properties(${test_NAME} PROPERTIES
    FIXTURES_REQUIRED ${WINEJVM_JAVA_FIXTURE}
    ENVIRONMENT "${WINEJVM_ENVIRONMENT}"
    TIMEOUT 120)
endfunction()
