# Wine tests of the real tavlin.dll of this Windows build: regsvr32 and the registry, and
# VBScript and JScript clients. They share a Wine prefix of this build folder's own, without
# Java, made once by a fixture; the tests take turns on it. The 64-bit DLL needs the 64-bit
# loader (the wine command starts 32-bit programs, and a 32-bit process sees the 32-bit
# registry and system folder); it is installed beside widl's own program.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_com_wine_bits 64)
  file(REAL_PATH "${TAVLIN_WIDL}" _com_wine_widl)
  get_filename_component(_com_wine_tools "${_com_wine_widl}" DIRECTORY)
  find_program(TAVLIN_WINE64 wine64 HINTS "${_com_wine_tools}" REQUIRED)
  set(_com_wine_loader ${TAVLIN_WINE64})
else()
  set(_com_wine_bits 32)
  find_program(TAVLIN_WINE wine REQUIRED)
  set(_com_wine_loader ${TAVLIN_WINE})
endif()
set(_com_wine_prefix ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix)
set(_com_wine_env WINE=${_com_wine_loader} WINEPREFIX=${_com_wine_prefix} WINEDEBUG=-all)

add_test(NAME com_wine_prefix
  COMMAND ${CMAKE_COMMAND} -E env ${_com_wine_env} ${_com_wine_loader} wineboot --init)
set_tests_properties(com_wine_prefix PROPERTIES FIXTURES_SETUP com_wine_prefix TIMEOUT 300
  RESOURCE_LOCK com_wine_prefix)

foreach(_mode IN ITEMS registration client)
  add_test(NAME com_wine_${_mode}
    COMMAND ${CMAKE_COMMAND} -E env ${_com_wine_env}
            sh ${CMAKE_CURRENT_LIST_DIR}/com_wine_test.sh ${_mode} $<TARGET_FILE:tavlin>
               ${CMAKE_CURRENT_BINARY_DIR}/${_mode} ${_com_wine_bits})
  set_tests_properties(com_wine_${_mode} PROPERTIES FIXTURES_REQUIRED com_wine_prefix TIMEOUT 300
    RESOURCE_LOCK com_wine_prefix)
endforeach()
