# libtavlin.so's resources for the port (see tavlinport/resources.h): the registry scripts,
# embedded from the same .rgs files that tavlin.rc uses, and the type library's description,
# generated from the type library that widl compiles from tavlin.idl (idl.cmake).
set(_tavlin_scripts_inc ${CMAKE_CURRENT_BINARY_DIR}/registry_scripts.inc)
set(_tavlin_scripts "// Generated at configure time from the .rgs files of the COM frame.\n")
foreach(_script IN ITEMS TavlinUtil Proxy)
  set(_rgs ${CMAKE_CURRENT_LIST_DIR}/${_script}.rgs)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_rgs})
  file(READ ${_rgs} _hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(APPEND _tavlin_scripts "const unsigned char ${_script}_rgs[] = {${_bytes}};\n")
endforeach()
file(CONFIGURE OUTPUT ${_tavlin_scripts_inc} CONTENT "${_tavlin_scripts}" @ONLY)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(_tavlin_describe ${CMAKE_CURRENT_LIST_DIR}/port/describe_type_library.py)
set(_tavlin_type_library_inc ${CMAKE_CURRENT_BINARY_DIR}/type_library.inc)
add_custom_command(OUTPUT ${_tavlin_type_library_inc}
  COMMAND ${Python3_EXECUTABLE} ${_tavlin_describe} ${TAVLIN_TLB} ${_tavlin_type_library_inc}
  DEPENDS ${TAVLIN_TLB} ${_tavlin_describe}
  COMMENT "Describing tavlin.tlb for the port"
  VERBATIM)

set(_tavlin_resources_cpp ${CMAKE_CURRENT_LIST_DIR}/port/resources.cpp)
set_source_files_properties(${_tavlin_resources_cpp} PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_CURRENT_BINARY_DIR}
  OBJECT_DEPENDS "${_tavlin_scripts_inc};${_tavlin_type_library_inc}")
target_sources(tavlin PRIVATE ${_tavlin_resources_cpp})
