# Installs the forwarding jvm.dll into a Wine prefix as a Java installation, the way a Java
# installer would: the DLL under the installation's bin\server and the registry keys that
# Windows programs read to find it. Run with cmake -P and
#   WINE            the Wine loader of the prefix's architecture
#   PREFIX          the Wine prefix, made by the Wine rig
#   FORWARDER       the built forwarder (jvm.dll.so)
#   JAVA_VERSION    the registry's CurrentVersion, e.g. 17
#   REGISTRY_VIEW   32 or 64: the registry view that the test programs read
#   PROGRAM_FILES   optional: the folder below C: to install into ("Program Files (x86)" for
#                   a 32-bit Java in a 64-bit prefix, where a 64-bit one may stand beside it)

if(NOT PROGRAM_FILES)
  set(PROGRAM_FILES "Program Files")
endif()
set(server_folder "${PROGRAM_FILES}/Java/jre${JAVA_VERSION}/bin/server")
string(REPLACE "/" "\\" runtime_lib "C:/${server_folder}/jvm.dll")
set(java_key "HKLM\\Software\\JavaSoft\\Java Runtime Environment")

function(run_wine)
  execute_process(COMMAND ${WINE} ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "wine ${ARGN} failed: ${status}")
  endif()
endfunction()

if(NOT EXISTS ${PREFIX}/system.reg)
  message(FATAL_ERROR "No Wine prefix at ${PREFIX}: the Wine rig makes it first")
endif()

# Wine loads a Winelib ELF library given by path as a builtin DLL, whatever its name, so
# the library itself can sit where the installation's jvm.dll belongs.
file(MAKE_DIRECTORY "${PREFIX}/drive_c/${server_folder}")
file(COPY_FILE ${FORWARDER} "${PREFIX}/drive_c/${server_folder}/jvm.dll")

run_wine(reg add "${java_key}" /v CurrentVersion /t REG_SZ /d ${JAVA_VERSION} /f /reg:${REGISTRY_VIEW})
run_wine(reg add "${java_key}\\${JAVA_VERSION}" /v RuntimeLib /t REG_SZ /d "${runtime_lib}" /f
         /reg:${REGISTRY_VIEW})
message(STATUS "Java ${JAVA_VERSION} installed in ${PREFIX}: ${runtime_lib}")
