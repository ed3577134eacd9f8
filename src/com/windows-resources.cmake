# tavlin.dll's exports by ordinal (tavlin.def) and its resources (tavlin.rc), whose TYPELIB is
# compiled from tavlin.idl with widl first and whose version record takes the project's
# version. widl imports the standard OLE library from the
# Wine DLL folder of the target's architecture, found beside widl's own installation.
find_program(TAVLIN_WIDL NAMES ${TAVLIN_MINGW_TRIPLE}-widl widl REQUIRED)
file(REAL_PATH "${TAVLIN_WIDL}" _tavlin_widl_file)
get_filename_component(_tavlin_widl_dir "${_tavlin_widl_file}" DIRECTORY)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_tavlin_widl_arch --win64)
  set(_tavlin_wine_dlls x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(_tavlin_widl_arch --win32)
  set(_tavlin_wine_dlls i386-linux-gnu/wine/i386-windows)
  # The exports are stdcall functions; the .def file names them undecorated.
  target_link_options(tavlin PRIVATE -Wl,--enable-stdcall-fixup)
endif()
find_path(TAVLIN_STDOLE2_DIR stdole2.tlb
  HINTS "${_tavlin_widl_dir}/../${_tavlin_wine_dlls}" "${_tavlin_widl_dir}/../../${_tavlin_wine_dlls}"
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(_tavlin_tlb ${CMAKE_CURRENT_BINARY_DIR}/tavlin.tlb)
add_custom_command(OUTPUT ${_tavlin_tlb}
  COMMAND ${TAVLIN_WIDL} ${_tavlin_widl_arch} -t -o ${_tavlin_tlb} -L ${TAVLIN_STDOLE2_DIR}
          ${CMAKE_CURRENT_LIST_DIR}/tavlin.idl
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tavlin.idl
  COMMENT "Compiling the type library tavlin.tlb"
  VERBATIM)

set(_tavlin_version_h ${CMAKE_CURRENT_BINARY_DIR}/tavlin_version.h)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${_tavlin_version_h} @ONLY)

set(_tavlin_rc ${CMAKE_CURRENT_LIST_DIR}/tavlin.rc)
set_source_files_properties(${_tavlin_rc} PROPERTIES
  INCLUDE_DIRECTORIES "${CMAKE_CURRENT_BINARY_DIR};${CMAKE_CURRENT_LIST_DIR}"
  OBJECT_DEPENDS "${_tavlin_tlb};${_tavlin_version_h};${CMAKE_CURRENT_LIST_DIR}/Proxy.rgs;${CMAKE_CURRENT_LIST_DIR}/TavlinUtil.rgs")
target_sources(tavlin PRIVATE ${_tavlin_rc} ${CMAKE_CURRENT_LIST_DIR}/tavlin.def)
