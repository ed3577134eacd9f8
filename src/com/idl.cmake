# tavlin.idl is the one description of the library's COM interfaces. widl compiles it, for
# every build, into the C++ declarations (tavlin_idl.h, included through com/interfaces.h),
# the definitions of their identifiers (tavlin_idl_i.c) and the type library (tavlin.tlb),
# which tavlin.dll carries as a resource and from which libtavlin.so's description of it is
# generated. The type library imports the standard OLE library from the Wine DLL folder of
# the target's architecture, found beside widl's own installation. Sets TAVLIN_IDL_DIR (the
# folder of what widl writes), TAVLIN_TLB and TAVLIN_IDL_IDENTIFIERS, and the target
# tavlin_idl that writes them.
find_program(TAVLIN_WIDL NAMES ${TAVLIN_MINGW_TRIPLE}-widl widl REQUIRED)
file(REAL_PATH "${TAVLIN_WIDL}" _tavlin_widl_file)
get_filename_component(_tavlin_widl_dir "${_tavlin_widl_file}" DIRECTORY)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_tavlin_widl_arch --win64)
  set(_tavlin_wine_dlls x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(_tavlin_widl_arch --win32)
  set(_tavlin_wine_dlls i386-linux-gnu/wine/i386-windows)
endif()
find_path(TAVLIN_STDOLE2_DIR stdole2.tlb
  HINTS "${_tavlin_widl_dir}/../${_tavlin_wine_dlls}" "${_tavlin_widl_dir}/../../${_tavlin_wine_dlls}"
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(_tavlin_idl ${CMAKE_CURRENT_LIST_DIR}/tavlin.idl)
set(TAVLIN_IDL_DIR ${CMAKE_CURRENT_BINARY_DIR}/idl)
set(TAVLIN_TLB ${TAVLIN_IDL_DIR}/tavlin.tlb)
set(TAVLIN_IDL_IDENTIFIERS ${TAVLIN_IDL_DIR}/tavlin_idl_i.c)
set(_tavlin_idl_header ${TAVLIN_IDL_DIR}/tavlin_idl.h)
file(MAKE_DIRECTORY ${TAVLIN_IDL_DIR})

add_custom_command(OUTPUT ${_tavlin_idl_header}
  COMMAND ${TAVLIN_WIDL} -h -o ${_tavlin_idl_header} ${_tavlin_idl}
  DEPENDS ${_tavlin_idl}
  COMMENT "Declaring the interfaces of tavlin.idl"
  VERBATIM)
add_custom_command(OUTPUT ${TAVLIN_IDL_IDENTIFIERS}
  COMMAND ${TAVLIN_WIDL} -u -o ${TAVLIN_IDL_IDENTIFIERS} ${_tavlin_idl}
  DEPENDS ${_tavlin_idl}
  COMMENT "Defining the identifiers of tavlin.idl"
  VERBATIM)
add_custom_command(OUTPUT ${TAVLIN_TLB}
  COMMAND ${TAVLIN_WIDL} ${_tavlin_widl_arch} -t -o ${TAVLIN_TLB} -L ${TAVLIN_STDOLE2_DIR} ${_tavlin_idl}
  DEPENDS ${_tavlin_idl}
  COMMENT "Compiling the type library tavlin.tlb"
  VERBATIM)
add_custom_target(tavlin_idl DEPENDS ${_tavlin_idl_header} ${TAVLIN_IDL_IDENTIFIERS} ${TAVLIN_TLB})
# The identifiers are C++ on every platform: the port's declarations are C++ alone.
set_source_files_properties(${TAVLIN_IDL_IDENTIFIERS} PROPERTIES LANGUAGE CXX GENERATED TRUE)
