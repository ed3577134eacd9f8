# Wine tests of the real tavlin.dll of this Windows build: regsvr32 and the registry, and
# VBScript and JScript clients. They run with the Wine rig's loader and server script, but in
# a prefix of their own: the clients' expectation is a prefix without Java, and the rig's
# shared prefix gets one installed by other tests. The tests take turns on the prefix, as
# registration and unregistration change what the clients see.
include(${PROJECT_SOURCE_DIR}/tests/wine/WineRig.cmake)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_com_wine_bits 64)
else()
  set(_com_wine_bits 32)
endif()
set(_com_wine_environment ${TAVLIN_WINE_ENVIRONMENT} WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wine-prefix-no-java
    TAVLIN_VERSION=${PROJECT_VERSION})

add_test(NAME com.wine.prefix.start COMMAND sh ${TAVLIN_WINE_RIG} start)
add_test(NAME com.wine.prefix.stop COMMAND sh ${TAVLIN_WINE_RIG} stop)
set_tests_properties(com.wine.prefix.start PROPERTIES FIXTURES_SETUP com_wine_prefix TIMEOUT 600)
set_tests_properties(com.wine.prefix.stop PROPERTIES FIXTURES_CLEANUP com_wine_prefix TIMEOUT 60)

foreach(_mode IN ITEMS registration client)
  add_test(NAME com.wine.${_mode}
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/com_wine_test.sh ${_mode} $<TARGET_FILE:tavlin>
            ${CMAKE_CURRENT_BINARY_DIR}/${_mode} ${_com_wine_bits})
  set_tests_properties(com.wine.${_mode} PROPERTIES FIXTURES_REQUIRED com_wine_prefix TIMEOUT 300)
endforeach()

set_tests_properties(com.wine.prefix.start com.wine.prefix.stop com.wine.registration com.wine.client PROPERTIES
  ENVIRONMENT "${_com_wine_environment}"
  RESOURCE_LOCK com_wine_prefix)
