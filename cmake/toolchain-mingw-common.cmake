# Shared part of the two mingw-w64 toolchains; CABKIT_MINGW_TRIPLE names the
# target.
#
# Thread model: the "-posix" compilers, named explicitly because Debian's
# unsuffixed names follow an alternative that may point either way. GCC 12's
# "-win32" variant has no std::mutex, std::thread or std::condition_variable,
# which GoogleTest needs and the plug-ins' code may use. The price is
# winpthread, which goes into every DLL and test program statically (see
# -static below), so nothing but system DLLs is needed beside them.
#
# C runtime: msvcrt.dll, the one Debian's mingw-w64 runtime and libstdc++ are
# built against, present on every Windows release. The static winpthread
# imports GetTickCount64, so the DLLs need Windows Vista or later.
set(CMAKE_SYSTEM_NAME Windows)
if(CABKIT_MINGW_TRIPLE MATCHES "^i686")
  set(CMAKE_SYSTEM_PROCESSOR x86)
else()
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
endif()

set(CMAKE_C_COMPILER ${CABKIT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CABKIT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CABKIT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CABKIT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything links the compiler's runtimes statically: the DLLs must load
# from a vehicle folder with no other file beside them, and the test
# programs must run under wine without a search path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
