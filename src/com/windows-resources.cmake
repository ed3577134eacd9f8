# tavlin.dll's exports by ordinal (tavlin.def) and its resources (tavlin.rc): the registry
# scripts under the numbers of resource_ids.h, the type library that widl compiles from
# tavlin.idl (idl.cmake) and the version record, which takes the project's version.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  # The exports are stdcall functions; the .def file names them undecorated.
  target_link_options(tavlin PRIVATE -Wl,--enable-stdcall-fixup)
endif()

set(_tavlin_version_h ${CMAKE_CURRENT_BINARY_DIR}/tavlin_version.h)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${_tavlin_version_h} @ONLY)

set(_tavlin_rc ${CMAKE_CURRENT_LIST_DIR}/tavlin.rc)
set_source_files_properties(${_tavlin_rc} PROPERTIES
  INCLUDE_DIRECTORIES "${CMAKE_CURRENT_BINARY_DIR};${TAVLIN_IDL_DIR};${CMAKE_CURRENT_LIST_DIR}"
  OBJECT_DEPENDS "${TAVLIN_TLB};${_tavlin_version_h};${CMAKE_CURRENT_LIST_DIR}/resource_ids.h;${CMAKE_CURRENT_LIST_DIR}/Proxy.rgs;${CMAKE_CURRENT_LIST_DIR}/TavlinUtil.rgs;${CMAKE_CURRENT_LIST_DIR}/TavlinUtilIsolated.rgs")
target_sources(tavlin PRIVATE ${_tavlin_rc} ${CMAKE_CURRENT_LIST_DIR}/tavlin.def)
