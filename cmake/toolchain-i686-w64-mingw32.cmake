# Cross-build of tavlin.dll for i686 Windows with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVLIN_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
