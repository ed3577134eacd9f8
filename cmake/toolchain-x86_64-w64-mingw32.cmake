# Cross-build of tavlin.dll for x86_64 Windows with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVLIN_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
