# 32-bit Windows DLLs for the reference host, cross-built with Debian's
# mingw-w64 compilers.
set(CABKIT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
