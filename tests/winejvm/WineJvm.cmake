# Tools, paths and CMake functions of the forwarding jvm.dll and its Wine tests.
#
# The Wine tests run in the prefix of the Wine rig (tests/wine/WineRig.cmake). A Wine test
# that needs Java there requires the ctest fixture "winejvm_java_installed" besides the
# rig's: set_property(TEST <name> APPEND PROPERTY FIXTURES_REQUIRED winejvm_java_installed).

include(${PROJECT_SOURCE_DIR}/tests/wine/WineRig.cmake)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(WINEJVM_WINEGXX wineg++ REQUIRED)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(WINEJVM_WINE_BITS -m64)
  set(WINEJVM_ELF_CLASS 02)
  set(WINEJVM_REGISTRY_VIEW 64)
else()
  set(WINEJVM_WINE_BITS -m32)
  set(WINEJVM_ELF_CLASS 01)
  set(WINEJVM_REGISTRY_VIEW 32)
endif()

# The libjvm.so of the architecture being built: the build's JDK when it matches, else a
# JDK installed beside it (Debian puts java-17-openjdk-i386 next to java-17-openjdk-amd64).
function(winejvm_find_libjvm out)
  get_filename_component(jdks ${TAVLIN_JDK_HOME} DIRECTORY)
  # The server VM first, as the java launcher prefers it.
  file(GLOB server_siblings ${jdks}/*/lib/server/libjvm.so)
  file(GLOB client_siblings ${jdks}/*/lib/client/libjvm.so)
  foreach(candidate ${TAVLIN_JDK_HOME}/lib/server/libjvm.so ${server_siblings} ${client_siblings})
    if(EXISTS ${candidate})
      file(READ ${candidate} elf_class OFFSET 4 LIMIT 1 HEX)
      if(elf_class STREQUAL WINEJVM_ELF_CLASS)
        file(REAL_PATH ${candidate} found)
        set(${out} ${found} PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  message(FATAL_ERROR "The ${CMAKE_SYSTEM_PROCESSOR} build's Wine tests need a ${CMAKE_SYSTEM_PROCESSOR} libjvm.so "
                      "beside ${TAVLIN_JDK_HOME} (Debian: openjdk-17-jre-headless for x86_64, "
                      "openjdk-17-jre-headless:i386 for i686), or WINEJVM_LIBJVM set to one")
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

set(WINEJVM_JAVA_FIXTURE winejvm_java_installed CACHE INTERNAL "")

# A test that writes the Java installation into the rig's prefix: the forwarder in place of
# the installation's jvm.dll, and the registry keys that name it.
function(winejvm_add_java_installation)
  winejvm_java_version(java_version)
  add_test(NAME winejvm.install_java
    COMMAND ${CMAKE_COMMAND} -DWINE=${TAVLIN_WINE_LOADER} -DPREFIX=${TAVLIN_WINE_PREFIX}
            -DFORWARDER=${WINEJVM_FORWARDER} -DJAVA_VERSION=${java_version}
            -DREGISTRY_VIEW=${WINEJVM_REGISTRY_VIEW} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/InstallJava.cmake)
  set_tests_properties(winejvm.install_java PROPERTIES
    FIXTURES_SETUP ${WINEJVM_JAVA_FIXTURE}
    FIXTURES_REQUIRED ${TAVLIN_WINE_FIXTURE}
    ENVIRONMENT "${TAVLIN_WINE_ENVIRONMENT}"
    TIMEOUT 120)
endfunction()
