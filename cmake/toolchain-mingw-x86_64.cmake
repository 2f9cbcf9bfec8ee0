# 64-bit Windows DLLs for newer hosts, cross-built with Debian's mingw-w64
# compilers. The tests of this build run under wine64 (see CabkitWine.cmake).
set(CABKIT_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
