# 32-bit Windows DLLs for the reference host, cross-built with Debian's
# mingw-w64 compilers.
set(CABKIT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Floating point in SSE2 registers, as on 64-bit: the compiler's default x87
# code keeps intermediates at 80 bits, so a comparison at a speed or distance
# boundary could come out differently from the 64-bit DLLs, which are the
# ones the tests run. The host guarantees only 4-byte stack alignment, so
# functions that keep SSE values on the stack align it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
